#pragma once

#include <cstdint>
#include <optional>

#include "platform/AudioFormat.h"
#include "platform/PCMBuffer.h"

namespace tallwick {

// A buffer of captured system audio, as the capture stream hands it over.
class SampleBuffer {
public:
    virtual ~SampleBuffer() = default;

    // Whether the buffer carries a format description at all.
    virtual bool hasFormatDescription() const = 0;
    // The stream description of its audio format description, or none.
    virtual std::optional<StreamDescription> streamDescription() const = 0;
    // Frames in the buffer.
    virtual std::int64_t numSamples() const = 0;
    // Copies `frameCount` frames from `frameOffset` into `destination`, laid out
    // for the buffer's own format. Returns 0 on success, a nonzero status when
    // the range does not exist or the destination is too small.
    virtual int copyPCMData(std::int32_t frameOffset, std::int32_t frameCount,
                            AudioBufferList& destination) const = 0;
};

}  // namespace tallwick
