#include "platform/pulse/PulseSampleBuffer.h"

#include <cstring>

namespace tallwick {

PulseSampleBuffer::PulseSampleBuffer(double sampleRate, std::uint32_t channels,
                                     std::vector<std::byte> bytes)
    : bytes_(std::move(bytes)) {
    description_.sampleRate = sampleRate;
    description_.channelsPerFrame = channels;
    description_.sampleType = SampleType::floatingPoint;
    description_.bitsPerChannel = 32;
    description_.interleaved = true;
    description_.bigEndian = false;
}

std::size_t PulseSampleBuffer::bytesPerFrame() const {
    return std::size_t{description_.channelsPerFrame} * sizeof(float);
}

std::int64_t PulseSampleBuffer::numSamples() const {
    const std::size_t frameBytes = bytesPerFrame();
    return frameBytes == 0 ? 0 : static_cast<std::int64_t>(bytes_.size() / frameBytes);
}

int PulseSampleBuffer::copyPCMData(std::int32_t frameOffset, std::int32_t frameCount,
                                   AudioBufferList& destination) const {
    if (frameOffset < 0 || frameCount < 0 ||
        std::int64_t{frameOffset} + std::int64_t{frameCount} > numSamples()) {
        return outOfRange;
    }
    if (destination.size() != 1 || !destination[0].data ||
        destination[0].numberChannels != description_.channelsPerFrame) {
        return layoutMismatch;
    }
    const std::size_t frameBytes = bytesPerFrame();
    const std::size_t length = static_cast<std::size_t>(frameCount) * frameBytes;
    if (destination[0].dataByteSize < length) {
        return destinationTooSmall;
    }
    if (length > 0) {
        std::memcpy(destination[0].data,
                    bytes_.data() + static_cast<std::size_t>(frameOffset) * frameBytes, length);
    }
    return copied;
}

}  // namespace tallwick
