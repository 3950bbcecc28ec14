#include "platform/PCMBuffer.h"

#include <algorithm>
#include <limits>
#include <new>

namespace tallwick {

bool PCMBuffer::fitsStorage(const AudioFormat& format, std::uint32_t frameCapacity) {
    const std::uint64_t bytesPerFrame =
        std::uint64_t{format.bytesPerSample()} * format.channelCount();
    const std::uint64_t bytes = bytesPerFrame * frameCapacity;
    return frameCapacity != 0 && bytesPerFrame != 0 && bytes <= maxStorageBytes;
}

std::unique_ptr<PCMBuffer> PCMBuffer::make(const AudioFormat& format, std::uint32_t frameCapacity) {
    if (!fitsStorage(format, frameCapacity)) {
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
    if (storage_.empty() || !fitsStorage(format_, frameCapacity)) {
        return false;
    }
    try {
        layOut(frameCapacity);
    } catch (const std::bad_alloc&) {
        return false;
    }
    return true;
}

PCMBuffer::PCMBuffer(const AudioFormat& format, std::uint32_t frameCapacity)
    : format_(format),
      frameCapacity_(0),
      storage_(format.isInterleaved() ? 1 : format.channelCount()),
      bufferList_(storage_.size()) {
    layOut(frameCapacity);
}

void PCMBuffer::layOut(std::uint32_t frameCapacity) {
    const std::uint32_t channelsPerRegion = format_.isInterleaved() ? format_.channelCount() : 1;
    const std::uint32_t regionBytes = frameCapacity * channelsPerRegion * format_.bytesPerSample();
    if (frameCapacity > storageFrames_) {
        std::vector<std::unique_ptr<std::byte[]>> larger;
        for (std::size_t r = 0; r < storage_.size(); ++r) {
            larger.push_back(std::make_unique<std::byte[]>(regionBytes));
        }
        storage_ = std::move(larger);
        storageFrames_ = frameCapacity;
    }
    for (std::size_t r = 0; r < storage_.size(); ++r) {
        bufferList_[r] = {channelsPerRegion, regionBytes, storage_[r].get()};
    }
    int16Channels_.clear();
    findInt16Channels();
    frameCapacity_ = frameCapacity;
    frameLength_ = 0;
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
