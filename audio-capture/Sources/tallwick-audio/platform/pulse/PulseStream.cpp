#include "platform/pulse/PulseStream.h"

#include "platform/pulse/PulseSampleBuffer.h"

namespace tallwick {

PulseStream::PulseStream(std::shared_ptr<PulseConnection> connection, std::string sink,
                         const StreamConfiguration& configuration, StreamDelegate* delegate,
                         std::shared_ptr<SerialQueue> requests)
    : connection_(std::move(connection)),
      sink_(std::move(sink)),
      configuration_(configuration),
      delivery_(std::make_shared<Delivery>()) {
    delivery_->stream = this;
    delivery_->delegate = delegate;
    delivery_->requests = std::move(requests);
}

PulseStream::~PulseStream() {
    delivery_->gate.close();
    if (connection_) {
        PulseConnection::Lock lock(*connection_);
        recorder_.reset();
    }
    std::shared_ptr<SerialQueue> queue;
    {
        std::lock_guard lock(delivery_->mutex);
        queue = std::move(delivery_->queue);
        delivery_->output = nullptr;
        delivery_->notice.set(nullptr);
    }
    // Unless a task of its own released us, this waits for the queue to run
    // dry, so nothing of ours is left running.
    queue.reset();
}

bool PulseStream::addStreamOutput(StreamOutput& output, StreamOutputType type,
                                  std::shared_ptr<SerialQueue> queue,
                                  std::optional<PlatformError>& error) {
    if (type != StreamOutputType::audio || !queue) {
        error = PlatformError(pulseErrorText(PA_ERR_NOTSUPPORTED));
        return false;
    }
    std::lock_guard lock(delivery_->mutex);
    delivery_->output = &output;
    delivery_->queue = std::move(queue);
    return true;
}

void PulseStream::startCapture(std::function<void(std::optional<PlatformError>)> completion) {
    delivery_->requests->async([self = shared_from_this(), completion = std::move(completion)] {
        completion(self->startRecording());
    });
}

void PulseStream::onNotice(std::function<void(const std::string& notice)> handler) {
    delivery_->notice.set(std::move(handler));
}

std::optional<std::string> PulseStream::recordedSource() {
    if (!connection_) {
        return std::nullopt;
    }
    PulseConnection::Lock lock(*connection_);
    return recorder_ ? recorder_->currentSource() : std::nullopt;
}

std::optional<PlatformError> PulseStream::startRecording() {
    pa_sample_spec spec;
    spec.format = PA_SAMPLE_FLOAT32LE;
    spec.rate = configuration_.sampleRate > 0 ? static_cast<std::uint32_t>(configuration_.sampleRate) : 0;
    spec.channels = configuration_.channelCount > 0 && configuration_.channelCount <= static_cast<int>(PA_CHANNELS_MAX)
                        ? static_cast<std::uint8_t>(configuration_.channelCount)
                        : 0;
    if (!connection_ || !configuration_.capturesAudio || !pa_sample_spec_valid(&spec)) {
        return PlatformError(pulseErrorText(PA_ERR_INVALID));
    }

    PulseConnection::Lock lock(*connection_);
    if (recorder_) {
        return PlatformError(pulseErrorText(PA_ERR_BADSTATE));
    }
    delivery_->sampleRate = spec.rate;
    delivery_->channels = spec.channels;
    SinkMonitorRecorder::Handlers handlers;
    handlers.recorded = [delivery = delivery_](std::vector<std::byte>&& frames) {
        delivery->deliver(std::move(frames));
    };
    handlers.stopped = [delivery = delivery_](const std::string& reason) {
        delivery->reportStop(reason);
    };
    handlers.noticed = [delivery = delivery_](const std::string& text) {
        delivery->reportNotice(text);
    };
    recorder_ = std::make_unique<SinkMonitorRecorder>(*connection_, spec, std::move(handlers));
    if (const auto failed = recorder_->start(sink_)) {
        recorder_.reset();
        return PlatformError(pulseErrorText(*failed));
    }
    return std::nullopt;
}

void PulseStream::Delivery::deliver(std::vector<std::byte>&& frames) {
    const PulseSampleBuffer buffer(sampleRate, channels, std::move(frames));
    gate.pass([&] {
        StreamOutput* receiver = nullptr;
        {
            std::lock_guard lock(mutex);
            receiver = output;
        }
        if (receiver) {
            receiver->didOutputSampleBuffer(*stream, buffer, StreamOutputType::audio);
        }
    });
}

void PulseStream::Delivery::reportNotice(const std::string& text) {
    gate.pass([&] { notice(text); });
}

void PulseStream::Delivery::reportStop(const std::string& reason) {
    auto report = [self = shared_from_this(), reason] {
        self->gate.pass([&] {
            if (self->delegate) {
                self->delegate->didStopWithError(*self->stream, PlatformError(reason));
            }
        });
    };
    std::shared_ptr<SerialQueue> target;
    {
        std::lock_guard lock(mutex);
        target = queue ? queue : requests;
    }
    // Off the mainloop thread: the delegate may well stop or release us.
    target->async(std::move(report));
}

}  // namespace tallwick
