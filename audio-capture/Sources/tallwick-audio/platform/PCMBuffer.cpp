#include "platform/PCMBuffer.h"

#include <algorithm>
#include <limits>
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

std::unique_ptr<PCMBuffer> PCMBuffer::wrap(const AudioFormat& format, std::uint32_t frameCapacity,
                                           const AudioBufferList& regions) {
    const bool interleaved = format.isInterleaved();
    const std::uint32_t channelsPerRegion = interleaved ? format.channelCount() : 1;
    const std::uint64_t regionBytes =
        std::uint64_t{frameCapacity} * channelsPerRegion * format.bytesPerSample();
    const std::size_t expectedRegions = interleaved ? 1 : format.channelCount();
    if (frameCapacity == 0 || format.channelCount() == 0 || regionBytes == 0 ||
        regionBytes > std::numeric_limits<std::uint32_t>::max() ||
        regions.size() != expectedRegions) {
        return nullptr;
    }
    AudioBufferList exact;
    for (const AudioBuffer& region : regions) {
        if (region.data == nullptr || region.numberChannels != channelsPerRegion ||
            region.dataByteSize < regionBytes) {
            return nullptr;
        }
        // Sized to the capacity, as make()'s are: no one reads past it.
        exact.push_back({channelsPerRegion, static_cast<std::uint32_t>(regionBytes), region.data});
    }
    try {
        return std::unique_ptr<PCMBuffer>(new PCMBuffer(format, frameCapacity, std::move(exact)));
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

bool PCMBuffer::remake(std::uint32_t frameCapacity) {
    const std::uint64_t bytesPerFrame =
        std::uint64_t{format_.bytesPerSample()} * format_.channelCount();
    if (storage_.empty() || frameCapacity == 0 || bytesPerFrame * frameCapacity > maxStorageBytes) {
        return false;
    }
    const std::uint32_t channelsPerRegion = format_.isInterleaved() ? format_.channelCount() : 1;
    const std::uint32_t regionBytes = frameCapacity * channelsPerRegion * format_.bytesPerSample();
    if (frameCapacity > storageFrames_) {
        try {
            std::vector<std::unique_ptr<std::byte[]>> larger;
            for (std::size_t r = 0; r < storage_.size(); ++r) {
                larger.push_back(std::make_unique<std::byte[]>(regionBytes));
            }
            storage_ = std::move(larger);
        } catch (const std::bad_alloc&) {
            return false;
        }
        storageFrames_ = frameCapacity;
    }
    for (std::size_t r = 0; r < storage_.size(); ++r) {
        bufferList_[r] = {channelsPerRegion, regionBytes, storage_[r].get()};
    }
    int16Channels_.clear();
    findInt16Channels();
    frameCapacity_ = frameCapacity;
    frameLength_ = 0;
    return true;
}

PCMBuffer::PCMBuffer(const AudioFormat& format, std::uint32_t frameCapacity)
    : format_(format), frameCapacity_(frameCapacity), storageFrames_(frameCapacity) {
    const std::uint32_t channels = format.channelCount();
    const std::uint32_t regions = format.isInterleaved() ? 1 : channels;
    const std::uint32_t channelsPerRegion = format.isInterleaved() ? channels : 1;
    const std::uint32_t regionBytes = frameCapacity * channelsPerRegion * format.bytesPerSample();
    for (std::uint32_t r = 0; r < regions; ++r) {
        storage_.push_back(std::make_unique<std::byte[]>(regionBytes));
        bufferList_.push_back({channelsPerRegion, regionBytes, storage_.back().get()});
    }
    findInt16Channels();
}

PCMBuffer::PCMBuffer(const AudioFormat& format, std::uint32_t frameCapacity,
                     AudioBufferList regions)
    : format_(format), frameCapacity_(frameCapacity), bufferList_(std::move(regions)) {
    findInt16Channels();
}

void PCMBuffer::findInt16Channels() {
    if (format_.commonFormat() != CommonFormat::int16) {
        return;
    }
    const bool interleaved = format_.isInterleaved();
    for (std::uint32_t c = 0; c < format_.channelCount(); ++c) {
        auto* region = static_cast<std::int16_t*>(bufferList_[interleaved ? 0 : c].data);
        int16Channels_.push_back(interleaved ? region + c : region);
    }
}

void PCMBuffer::setFrameLength(std::uint32_t frames) {
    frameLength_ = std::min(frames, frameCapacity_);
}

std::int16_t* const* PCMBuffer::int16ChannelData() {
    return int16Channels_.empty() ? nullptr : int16Channels_.data();
}

}  // namespace tallwick
