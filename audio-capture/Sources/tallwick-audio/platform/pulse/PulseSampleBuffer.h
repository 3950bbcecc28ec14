#pragma once

#include <cstddef>
#include <vector>

#include "platform/SampleBuffer.h"

namespace tallwick {

// Interleaved float32 little-endian frames, as a record stream delivered them.
class PulseSampleBuffer final : public SampleBuffer {
public:
    enum CopyStatus : int {
        copied = 0,
        outOfRange = 1,
        layoutMismatch = 2,
        destinationTooSmall = 3,
    };

    // `bytes` holds whole frames of `channels` channels.
    PulseSampleBuffer(double sampleRate, std::uint32_t channels, std::vector<std::byte> bytes);

    bool hasFormatDescription() const override { return true; }
    std::optional<StreamDescription> streamDescription() const override { return description_; }
    std::int64_t numSamples() const override;
    int copyPCMData(std::int32_t frameOffset, std::int32_t frameCount,
                    AudioBufferList& destination) const override;

private:
    std::size_t bytesPerFrame() const;

    StreamDescription description_;
    std::vector<std::byte> bytes_;
};

}  // namespace tallwick
