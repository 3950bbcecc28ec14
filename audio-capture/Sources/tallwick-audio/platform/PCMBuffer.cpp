#include "platform/PCMBuffer.h"

#include <algorithm>
#include <new>

namespace tallwick {

std::unique_ptr<PCMBuffer> PCMBuffer::make(const AudioFormat& format, std::uint32_t frameCapacity) {
    const std::uint64_t bytesPerFrame =
        std::uint64_t{format.bytesPerSample()} * format.channelCount();
    const std::uint64_t bytes = bytesPerFrame * frameCapacity;
    if (frameCapacity == 0 || bytesPerFrame == 0 || bytes > maxStorageBytes) {
        return nullptr;
    }
    try {
        return std::unique_ptr<PCMBuffer>(new PCMBuffer(format, frameCapacity));
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

PCMBuffer::PCMBuffer(const AudioFormat& format, std::uint32_t frameCapacity)
    : format_(format), frameCapacity_(frameCapacity) {
    const std::uint32_t channels = format.channelCount();
    const std::uint32_t regions = format.isInterleaved() ? 1 : channels;
    const std::uint32_t channelsPerRegion = format.isInterleaved() ? channels : 1;
    const std::uint32_t regionBytes = frameCapacity * channelsPerRegion * format.bytesPerSample();
    for (std::uint32_t r = 0; r < regions; ++r) {
        storage_.push_back(std::make_unique<std::byte[]>(regionBytes));
        bufferList_.push_back({channelsPerRegion, regionBytes, storage_.back().get()});
    }
    if (format.commonFormat() == CommonFormat::int16) {
        for (std::uint32_t c = 0; c < channels; ++c) {
            auto* region = static_cast<std::int16_t*>(bufferList_[format.isInterleaved() ? 0 : c].data);
            int16Channels_.push_back(format.isInterleaved() ? region + c : region);
        }
    }
}

void PCMBuffer::setFrameLength(std::uint32_t frames) {
    frameLength_ = std::min(frames, frameCapacity_);
}

std::int16_t* const* PCMBuffer::int16ChannelData() {
    return int16Channels_.empty() ? nullptr : int16Channels_.data();
}

}  // namespace tallwick
