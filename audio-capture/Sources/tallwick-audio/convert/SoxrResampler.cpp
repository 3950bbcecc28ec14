#include "convert/SoxrResampler.h"

#include <new>

#include "convert/FloatToInt16.h"

namespace tallwick {

namespace {

constexpr double outputRate = 16000.0;
constexpr std::size_t resampledBlock = 4096;

}  // namespace

std::unique_ptr<MonoResampler> MonoResampler::make(double inputRate) {
    return SoxrResampler::create(inputRate);
}

std::unique_ptr<SoxrResampler> SoxrResampler::create(double inputRate) {
    soxr_io_spec_t io = soxr_io_spec(SOXR_FLOAT32_I, SOXR_FLOAT32_I);
    // Dither would make the output differ from run to run.
    io.flags |= SOXR_NO_DITHER;
    const soxr_quality_spec_t quality = soxr_quality_spec(SOXR_HQ, SOXR_LINEAR_PHASE);
    // One thread: the capture callback is already the real-time path.
    const soxr_runtime_spec_t runtime = soxr_runtime_spec(1);
    soxr_error_t failure = nullptr;
    Handle handle(soxr_create(inputRate, outputRate, 1, &failure, &io, &quality, &runtime));
    if (failure != nullptr || !handle) {
        return nullptr;
    }
    try {
        return std::unique_ptr<SoxrResampler>(new SoxrResampler(std::move(handle)));
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

SoxrResampler::SoxrResampler(Handle handle)
    : handle_(std::move(handle)), block_(resampledBlock) {}

std::optional<PlatformError> SoxrResampler::process(std::span<const float> input,
                                                    SampleFifo& output) {
    std::size_t consumed = 0;
    for (;;) {
        std::size_t used = 0;
        std::size_t made = 0;
        // A non-null input pointer even for zero frames: a null one would tell
        // libsoxr that the stream has ended and make it flush.
        const soxr_error_t failure =
            soxr_process(handle_.get(), input.data() + consumed, input.size() - consumed, &used,
                         block_.data(), block_.size(), &made);
        if (failure != nullptr) {
            return PlatformError(failure);
        }
        consumed += used;
        try {
            toInt16(block_.data(), made, output.prepareBack(made));
        } catch (const std::bad_alloc&) {
            return PlatformError("Out of memory for converted samples.");
        }
        output.commitBack(made);
        const bool allTaken = consumed == input.size() && made < block_.size();
        if (allTaken) {
            return std::nullopt;
        }
        if (used == 0 && made == 0) {
            return PlatformError("The resampler stopped taking input.");
        }
    }
}

}  // namespace tallwick
