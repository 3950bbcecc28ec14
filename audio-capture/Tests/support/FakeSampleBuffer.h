#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "platform/AudioFormat.h"
#include "platform/SampleBuffer.h"

namespace tallwick::testing {

// A captured buffer held in memory, checked the way the platform copy checks:
// the copy fails for a range the buffer does not hold or a destination too
// small for it, and never writes or reads outside either.
class FakeSampleBuffer final : public SampleBuffer {
  public:
    // `channels[c][i]` is sample i of channel c at full scale 1.0, encoded into
    // `format`'s samples (integers rounded and clipped) and layout.
    static FakeSampleBuffer of(const AudioFormat& format,
                               const std::vector<std::vector<double>>& channels);

    // Raw regions as the platform would lay them out for `description`.
    FakeSampleBuffer(std::optional<StreamDescription> description, std::int64_t frames,
                     std::vector<std::vector<std::byte>> regions);

    // What the buffer claims, independent of what it holds.
    void setHasFormatDescription(bool has) { hasFormatDescription_ = has; }
    void setNumSamples(std::int64_t frames) { claimedFrames_ = frames; }

    bool hasFormatDescription() const override { return hasFormatDescription_; }
    std::optional<StreamDescription> streamDescription() const override { return description_; }
    std::int64_t numSamples() const override { return claimedFrames_; }
    int copyPCMData(std::int32_t frameOffset, std::int32_t frameCount,
                    AudioBufferList& destination) const override;

    // The status of a copy that could not be made.
    static constexpr int copyFailed = -12731;

  private:
    bool hasFormatDescription_ = true;
    std::optional<StreamDescription> description_;
    std::int64_t claimedFrames_;
    std::vector<std::vector<std::byte>> regions_;
};

}  // namespace tallwick::testing
