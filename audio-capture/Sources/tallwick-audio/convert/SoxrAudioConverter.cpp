#include "convert/SoxrAudioConverter.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <new>

#include "convert/ChannelMixdown.h"
#include "convert/FloatToInt16.h"

namespace tallwick {

namespace {

// Room for a 4096-frame tap buffer at 192 kHz and several resampler blocks, so
// ordinary capture never grows anything after construction.
constexpr std::size_t initialInputFrames = 8192;
constexpr std::size_t resampledBlock = 4096;
constexpr std::size_t initialPendingSamples = 16384;

constexpr double outputRate = 16000.0;

}  // namespace

std::unique_ptr<SoxrAudioConverter> SoxrAudioConverter::make(const AudioFormat& from) {
    soxr_io_spec_t io = soxr_io_spec(SOXR_FLOAT32_I, SOXR_FLOAT32_I);
    // Dither would make the output differ from run to run.
    io.flags |= SOXR_NO_DITHER;
    const soxr_quality_spec_t quality = soxr_quality_spec(SOXR_HQ, SOXR_LINEAR_PHASE);
    // One thread: the capture callback is already the real-time path.
    const soxr_runtime_spec_t runtime = soxr_runtime_spec(1);
    soxr_error_t failure = nullptr;
    Resampler resampler(
        soxr_create(from.sampleRate(), outputRate, 1, &failure, &io, &quality, &runtime));
    if (failure != nullptr || !resampler) {
        return nullptr;
    }
    try {
        return std::unique_ptr<SoxrAudioConverter>(
            new SoxrAudioConverter(from, std::move(resampler)));
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

SoxrAudioConverter::SoxrAudioConverter(const AudioFormat& from, Resampler resampler)
    : from_(from),
      resampler_(std::move(resampler)),
      mono_(initialInputFrames),
      resampled_(resampledBlock),
      pending_(initialPendingSamples) {}

ConverterOutputStatus SoxrAudioConverter::convert(PCMBuffer& output,
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

std::optional<PlatformError> SoxrAudioConverter::take(const PCMBuffer* buffer) {
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
    return resample(frames);
}

std::optional<PlatformError> SoxrAudioConverter::resample(std::size_t frames) {
    std::size_t consumed = 0;
    for (;;) {
        std::size_t used = 0;
        std::size_t made = 0;
        // A non-null input pointer even for zero frames: a null one would tell
        // libsoxr that the stream has ended and make it flush.
        const soxr_error_t failure =
            soxr_process(resampler_.get(), mono_.data() + consumed, frames - consumed, &used,
                         resampled_.data(), resampled_.size(), &made);
        if (failure != nullptr) {
            return PlatformError(failure);
        }
        consumed += used;
        try {
            toInt16(resampled_.data(), made, pending_.prepareBack(made));
        } catch (const std::bad_alloc&) {
            return PlatformError("Out of memory for converted samples.");
        }
        pending_.commitBack(made);
        const bool allTaken = consumed == frames && made < resampled_.size();
        if (allTaken) {
            return std::nullopt;
        }
        if (used == 0 && made == 0) {
            return PlatformError("The resampler stopped taking input.");
        }
    }
}

// How many input frames would fill the rest of the output: what the block is
// asked for. Only advice: the one-shot input hands over its buffer regardless.
std::uint32_t SoxrAudioConverter::framesToFill(std::uint32_t outputRoom) const {
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
