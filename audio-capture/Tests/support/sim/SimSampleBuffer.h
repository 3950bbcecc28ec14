#pragma once

#include <cstddef>
#include <memory>
#include <optional>
#include <vector>

#include "platform/SampleBuffer.h"

namespace tallwick::testing {

// A captured buffer as a test makes it: any description (or none), any frame
// count claim, and the sample bytes of each region (one region interleaved,
// one per channel otherwise).
class SimSampleBuffer final : public SampleBuffer {
public:
    SimSampleBuffer(std::optional<StreamDescription> description, std::int64_t frames,
                    std::vector<std::vector<std::byte>> regions, bool hasFormatDescription = true);

    // `frames` frames of an interleaved float32 sine at `frequency` Hz in every channel.
    static std::shared_ptr<SimSampleBuffer> tone(double sampleRate, std::uint32_t channels,
                                                 std::uint32_t frames, double frequency,
                                                 float amplitude = 0.5f);

    bool hasFormatDescription() const override { return hasFormatDescription_; }
    std::optional<StreamDescription> streamDescription() const override;
    std::int64_t numSamples() const override { return frames_; }
    int copyPCMData(std::int32_t frameOffset, std::int32_t frameCount,
                    AudioBufferList& destination) const override;

private:
    std::optional<StreamDescription> description_;
    std::int64_t frames_;
    std::vector<std::vector<std::byte>> regions_;
    bool hasFormatDescription_;
};

}  // namespace tallwick::testing
