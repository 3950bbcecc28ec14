#pragma once

#include "convert/MonoResampler.h"

namespace tallwick {

// For input already at 16 kHz: every sample passes as it is, rounded and
// clipped, with no filter and so no delay. A resampler at a ratio of one would
// only spend time (on every buffer of a system capture, which the sound
// server already delivers at 16 kHz).
class SameRateResampler final : public MonoResampler {
public:
    std::optional<PlatformError> process(std::span<const float> input,
                                         SampleFifo& output) override;
};

}  // namespace tallwick
