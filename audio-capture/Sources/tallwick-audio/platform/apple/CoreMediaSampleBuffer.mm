#include "platform/apple/CoreMediaSampleBuffer.h"

#include <cstddef>
#include <vector>

#include "platform/apple/StreamBasicDescription.h"

namespace tallwick {

CoreMediaSampleBuffer::CoreMediaSampleBuffer(CMSampleBufferRef buffer) : buffer_(buffer) {
    CFRetain(buffer_);
}

CoreMediaSampleBuffer::~CoreMediaSampleBuffer() { CFRelease(buffer_); }

bool CoreMediaSampleBuffer::hasFormatDescription() const {
    return CMSampleBufferGetFormatDescription(buffer_) != nullptr;
}

const AudioStreamBasicDescription* CoreMediaSampleBuffer::basicDescription() const {
    CMFormatDescriptionRef format = CMSampleBufferGetFormatDescription(buffer_);
    return format != nullptr ? CMAudioFormatDescriptionGetStreamBasicDescription(format) : nullptr;
}

std::optional<StreamDescription> CoreMediaSampleBuffer::streamDescription() const {
    const AudioStreamBasicDescription* basic = basicDescription();
    if (basic == nullptr) {
        return std::nullopt;
    }
    return streamDescriptionOf(*basic);
}

std::int64_t CoreMediaSampleBuffer::numSamples() const {
    return CMSampleBufferGetNumSamples(buffer_);
}

int CoreMediaSampleBuffer::copyPCMData(std::int32_t frameOffset, std::int32_t frameCount,
                                       AudioBufferList& destination) const {
    const AudioStreamBasicDescription* basic = basicDescription();
    if (basic == nullptr) {
        return kCMSampleBufferError_InvalidMediaFormat;
    }
    if (frameOffset < 0 || frameCount < 0) {
        return kCMSampleBufferError_RequiredParameterMissing;
    }
    // Core Audio's list is one header followed by as many buffers as it holds.
    const std::size_t buffers = destination.empty() ? 1 : destination.size();
    std::vector<std::byte> storage(offsetof(::AudioBufferList, mBuffers) +
                                   buffers * sizeof(::AudioBuffer));
    auto* list = reinterpret_cast<::AudioBufferList*>(storage.data());
    list->mNumberBuffers = static_cast<UInt32>(destination.size());
    // Each buffer is given exactly the bytes of the frames asked for: the copy
    // fills what it is told the buffer holds, and ours may be larger.
    const std::uint64_t bytesNeeded = std::uint64_t{basic->mBytesPerFrame} *
                                      static_cast<std::uint64_t>(frameCount);
    for (std::size_t i = 0; i < destination.size(); ++i) {
        if (destination[i].dataByteSize < bytesNeeded || destination[i].data == nullptr) {
            return kCMSampleBufferError_ArrayTooSmall;
        }
        list->mBuffers[i].mNumberChannels = destination[i].numberChannels;
        list->mBuffers[i].mDataByteSize = static_cast<UInt32>(bytesNeeded);
        list->mBuffers[i].mData = destination[i].data;
    }
    return CMSampleBufferCopyPCMDataIntoAudioBufferList(buffer_, frameOffset, frameCount, list);
}

}  // namespace tallwick
