#include "platform/apple/AVAudioPCMBufferView.h"

#include "platform/apple/StreamBasicDescription.h"

namespace tallwick {

std::unique_ptr<PCMBuffer> pcmBufferOver(AVAudioPCMBuffer* buffer) {
    const std::optional<AudioFormat> format = audioFormatOf(buffer.format);
    if (!format) {
        return nullptr;
    }
    const AVAudioFrameCount frames = buffer.frameLength;
    if (frames == 0) {
        // Nothing to wrap, but the converter may still owe output: hand it an
        // empty buffer rather than none.
        auto empty = PCMBuffer::make(*format, 1);
        if (empty != nullptr) {
            empty->setFrameLength(0);
        }
        return empty;
    }
    // This list's sizes are those of the valid frames, which is all we wrap.
    const ::AudioBufferList* list = buffer.audioBufferList;
    AudioBufferList regions;
    for (UInt32 i = 0; i < list->mNumberBuffers; ++i) {
        const ::AudioBuffer& region = list->mBuffers[i];
        regions.push_back({region.mNumberChannels, region.mDataByteSize, region.mData});
    }
    auto view = PCMBuffer::wrap(*format, frames, regions);
    if (view != nullptr) {
        view->setFrameLength(frames);
    }
    return view;
}

}  // namespace tallwick
