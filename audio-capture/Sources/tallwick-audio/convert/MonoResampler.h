#pragma once

#include <memory>
#include <optional>
#include <span>

#include "PlatformError.h"
#include "convert/SampleFifo.h"

namespace tallwick {

// Resamples one channel of float samples (full scale 1.0) to 16 kHz as one
// stream: the filter's state, and what it holds back, carry from one call to
// the next, and the stream is never flushed, since capture has no end. Output
// positions stay aligned with the input: the filter's delay is taken off the
// start of the stream, not added to every sample's time.
//
// The build links one implementation: libsoxr on Linux, Apple's
// AVAudioConverter on macOS, so the shipped executable loads nothing a Mac
// lacks.
class MonoResampler {
public:
    // None when no resampler can be made for the rate.
    static std::unique_ptr<MonoResampler> make(double inputRate);

    virtual ~MonoResampler() = default;

    // Resamples `input` and appends what is ready, rounded and clipped to
    // int16, to `output`. Empty on success.
    virtual std::optional<PlatformError> process(std::span<const float> input,
                                                 SampleFifo& output) = 0;
};

}  // namespace tallwick
