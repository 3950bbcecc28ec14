#include "platform/pulse/PulseAudioEngine.h"

#include <cmath>
#include <cstring>
#include <utility>

#include "platform/ThreadSerialQueue.h"
#include "platform/pulse/FrameReblocker.h"

namespace tallwick {

namespace {

std::optional<AudioFormat> formatOf(const std::optional<PulseAudioEngine::Source>& source) {
    if (!source) {
        return std::nullopt;
    }
    return AudioFormat(CommonFormat::float32, source->layout.spec.rate,
                       source->layout.spec.channels, true);
}

// The stream spec for buffers of `format`; none for a layout the engine does
// not record (only interleaved float32 at a whole rate).
std::optional<pa_sample_spec> recordingSpec(const AudioFormat& format) {
    const double rate = format.sampleRate();
    if (format.commonFormat() != CommonFormat::float32 || !format.isInterleaved() ||
        !(rate >= 1 && rate <= PA_RATE_MAX) || std::floor(rate) != rate ||
        format.channelCount() > PA_CHANNELS_MAX) {
        return std::nullopt;
    }
    pa_sample_spec spec;
    spec.format = PA_SAMPLE_FLOAT32NE;
    spec.rate = static_cast<std::uint32_t>(rate);
    spec.channels = static_cast<std::uint8_t>(format.channelCount());
    if (!pa_sample_spec_valid(&spec)) {
        return std::nullopt;
    }
    return spec;
}

// Puts `block`'s frames into a buffer of `format` and hands it to the tap.
template <class DeliveryPointer>
void deliverBlock(const DeliveryPointer& delivery, const AudioFormat& format,
                  std::span<const std::byte> block) {
    const std::size_t frameBytes = std::size_t{format.channelCount()} * sizeof(float);
    const auto frames = static_cast<std::uint32_t>(block.size() / frameBytes);
    auto buffer = PCMBuffer::make(format, frames);
    if (!buffer) {
        return;
    }
    std::memcpy(buffer->mutableAudioBufferList()[0].data, block.data(), frames * frameBytes);
    buffer->setFrameLength(frames);
    delivery->gate.pass([&] { delivery->node.deliver(*buffer); });
}

}  // namespace

PulseAudioEngine::PulseAudioEngine(std::shared_ptr<PulseConnection> connection,
                                   std::optional<Source> source)
    : connection_(std::move(connection)),
      source_(std::move(source)),
      delivery_(std::make_shared<Delivery>(formatOf(source_))) {
    delivery_->queue = std::make_shared<ThreadSerialQueue>("tallwick-audio.out");
}

PulseAudioEngine::~PulseAudioEngine() {
    delivery_->gate.close();
    if (connection_) {
        PulseConnection::Lock lock(*connection_);
        recorder_.reset();
    }
    std::shared_ptr<SerialQueue> queue;
    {
        std::lock_guard lock(delivery_->mutex);
        queue = std::move(delivery_->queue);
        delivery_->stopped.set(nullptr);
        delivery_->notice.set(nullptr);
    }
    // Unless a task of its own released us, this waits for the queue to run
    // dry, so nothing of ours is left running.
    queue.reset();
}

InputNode& PulseAudioEngine::inputNode() { return delivery_->node; }

bool PulseAudioEngine::start(std::optional<PlatformError>& error) {
    if (!connection_ || !source_) {
        error = PlatformError(pulseErrorText(PA_ERR_NOENTITY));
        return false;
    }
    const auto tap = delivery_->node.tap();
    const AudioFormat format = tap ? tap->format : delivery_->node.outputFormatForBus(0);
    const std::uint32_t framesPerBuffer =
        tap ? tap->framesPerBuffer : PulseInputNode::defaultFramesPerBuffer;
    const auto spec = recordingSpec(format);
    if (!spec) {
        error = PlatformError(pulseErrorText(PA_ERR_INVALID));
        return false;
    }
    const pa_channel_map* channelMap =
        source_->layout.spec.channels == spec->channels ? &source_->layout.channelMap : nullptr;

    PulseConnection::Lock lock(*connection_);
    if (recorder_ && !recorder_->hasLost()) {
        return true;
    }
    recorder_.reset();

    // One per recording, used only on the mainloop thread: a restart begins afresh.
    auto reblocker = std::make_shared<FrameReblocker>(pa_frame_size(&*spec), framesPerBuffer);
    SourceRecorder::Handlers handlers;
    handlers.recorded = [delivery = delivery_, reblocker, format](std::vector<std::byte>&& bytes) {
        reblocker->append(bytes, [&](std::span<const std::byte> block) {
            deliverBlock(delivery, format, block);
        });
    };
    handlers.noticed = [delivery = delivery_](const std::string& text) {
        delivery->gate.pass([&] { delivery->notice(text); });
    };
    handlers.lost = [delivery = delivery_, reblocker, format](const std::string& reason) {
        // What was recorded before the loss still goes out, ahead of the stop.
        reblocker->flush([&](std::span<const std::byte> block) {
            deliverBlock(delivery, format, block);
        });
        std::lock_guard lock(delivery->mutex);
        if (delivery->queue) {
            // Off the mainloop thread: the handler may well stop or release us.
            delivery->queue->async([delivery, reason] {
                delivery->gate.pass([&] { delivery->stopped(PlatformError(reason)); });
            });
        }
    };
    recorder_ = std::make_unique<SourceRecorder>(*connection_, std::move(handlers));
    if (const auto failed = recorder_->start(source_->name, *spec, channelMap)) {
        recorder_.reset();
        error = PlatformError(pulseErrorText(*failed));
        return false;
    }
    return true;
}

void PulseAudioEngine::stop() {
    if (!connection_) {
        return;
    }
    PulseConnection::Lock lock(*connection_);
    recorder_.reset();
}

void PulseAudioEngine::onStoppedWithError(std::function<void(const PlatformError&)> handler) {
    delivery_->stopped.set(std::move(handler));
}

void PulseAudioEngine::onNotice(std::function<void(const std::string& notice)> handler) {
    delivery_->notice.set(std::move(handler));
}

}  // namespace tallwick
