#include "convert/StreamingAudioConverter.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <memory>
#include <new>

#include "convert/ChannelMixdown.h"
#include "convert/SameRateResampler.h"

namespace tallwick {

namespace {

// Room for a 4096-frame tap buffer at 192 kHz and several resampler blocks, so
// ordinary capture never grows anything after construction.
constexpr std::size_t initialInputFrames = 8192;
constexpr std::size_t initialPendingSamples = 16384;

constexpr double outputRate = 16000.0;

}  // namespace

std::unique_ptr<StreamingAudioConverter> StreamingAudioConverter::make(const AudioFormat& from) {
    try {
        std::unique_ptr<MonoResampler> resampler =
            from.sampleRate() == outputRate ? std::make_unique<SameRateResampler>()
                                            : MonoResampler::make(from.sampleRate());
        if (!resampler) {
            return nullptr;
        }
        return std::unique_ptr<StreamingAudioConverter>(
            new StreamingAudioConverter(from, std::move(resampler)));
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

StreamingAudioConverter::StreamingAudioConverter(const AudioFormat& from,
                                                 std::unique_ptr<MonoResampler> resampler)
    : from_(from),
      resampler_(std::move(resampler)),
      mono_(initialInputFrames),
      pending_(initialPendingSamples) {}

ConverterOutputStatus StreamingAudioConverter::convert(PCMBuffer& output,
                                                  std::optional<PlatformError>& error,
                                                  const InputBlock& input) {
    output.setFrameLength(0);
    std::int16_t* const* channels = output.int16ChannelData();
    if (!(output.format() == AudioFormat::outputPCM()) || channels == nullptr) {
        error = PlatformError("The output buffer is not 16 kHz mono 16-bit PCM.");
        return ConverterOutputStatus::error;
    }
    if (!input) {
        error = PlatformError("No input block was given.");
        return ConverterOutputStatus::error;
    }

    InputStatus status = InputStatus::haveData;
    while (status == InputStatus::haveData) {
        status = InputStatus::noDataNow;
        const PCMBuffer* buffer = input(framesToFill(output.frameCapacity()), status);
        if (status != InputStatus::haveData) {
            // End of stream stops the pull like "no data now" and flushes
            // nothing: the filter tail stays for input that may still come.
            break;
        }
        if (auto failure = take(buffer)) {
            // What earlier buffers of this call produced stays queued for the
            // next call; only this buffer is lost.
            error = std::move(failure);
            return ConverterOutputStatus::error;
        }
    }

    const std::size_t written = pending_.popFront(channels[0], output.frameCapacity());
    output.setFrameLength(static_cast<std::uint32_t>(written));
    if (written == output.frameCapacity()) {
        return ConverterOutputStatus::haveData;
    }
    return status == InputStatus::endOfStream ? ConverterOutputStatus::endOfStream
                                              : ConverterOutputStatus::inputRanDry;
}

std::optional<PlatformError> StreamingAudioConverter::take(const PCMBuffer* buffer) {
    if (buffer == nullptr) {
        return PlatformError("The input block reported data but handed over no buffer.");
    }
    if (!(buffer->format() == from_)) {
        return PlatformError("The input buffer's format is not the converter's input format.");
    }
    const std::uint32_t frames = buffer->frameLength();
    try {
        if (mono_.size() < frames) {
            mono_.resize(frames);
        }
    } catch (const std::bad_alloc&) {
        return PlatformError("Out of memory for the input buffer.");
    }
    if (!mixDownToMono(*buffer, mono_.data())) {
        return PlatformError("The input buffer does not hold the frames it claims.");
    }
    return resampler_->process(std::span<const float>(mono_.data(), frames), pending_);
}

// How many input frames would fill the rest of the output: what the block is
// asked for. Only advice: the one-shot input hands over its buffer regardless.
std::uint32_t StreamingAudioConverter::framesToFill(std::uint32_t outputRoom) const {
    const double missing = static_cast<double>(outputRoom) - static_cast<double>(pending_.size());
    if (missing <= 0) {
        return 0;
    }
    const double frames = std::ceil(missing * from_.sampleRate() / outputRate);
    return frames >= static_cast<double>(std::numeric_limits<std::uint32_t>::max())
               ? std::numeric_limits<std::uint32_t>::max()
               : static_cast<std::uint32_t>(frames);
}

}  // namespace tallwick
