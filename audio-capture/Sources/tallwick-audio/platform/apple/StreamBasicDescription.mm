#include "platform/apple/StreamBasicDescription.h"

namespace tallwick {

std::optional<StreamDescription> streamDescriptionOf(const AudioStreamBasicDescription& basic) {
    if (basic.mFormatID != kAudioFormatLinearPCM) {
        return std::nullopt;
    }
    const AudioFormatFlags flags = basic.mFormatFlags;
    const bool floatingPoint = (flags & kAudioFormatFlagIsFloat) != 0;
    if (!floatingPoint && (flags & kAudioFormatFlagIsSignedInteger) == 0) {
        return std::nullopt;  // unsigned samples
    }
    const bool interleaved = (flags & kAudioFormatFlagIsNonInterleaved) == 0;
    const std::uint64_t samplesPerFrame = interleaved ? basic.mChannelsPerFrame : 1;
    const std::uint64_t packedFrameBytes = samplesPerFrame * basic.mBitsPerChannel / 8;
    if (basic.mBitsPerChannel % 8 != 0 || basic.mFramesPerPacket != 1 ||
        basic.mBytesPerFrame != packedFrameBytes) {
        return std::nullopt;  // samples in wider containers, or frames in packets
    }
    StreamDescription description;
    description.sampleRate = basic.mSampleRate;
    description.channelsPerFrame = basic.mChannelsPerFrame;
    description.sampleType = floatingPoint ? SampleType::floatingPoint : SampleType::signedInteger;
    description.bitsPerChannel = basic.mBitsPerChannel;
    description.interleaved = interleaved;
    description.bigEndian = (flags & kAudioFormatFlagIsBigEndian) != 0;
    return description;
}

AudioStreamBasicDescription basicDescriptionOf(const StreamDescription& description) {
    AudioFormatFlags flags = kAudioFormatFlagIsPacked;
    flags |= description.sampleType == SampleType::floatingPoint ? kAudioFormatFlagIsFloat
                                                                 : kAudioFormatFlagIsSignedInteger;
    if (!description.interleaved) {
        flags |= kAudioFormatFlagIsNonInterleaved;
    }
    if (description.bigEndian) {
        flags |= kAudioFormatFlagIsBigEndian;
    }
    const UInt32 samplesPerFrame = description.interleaved ? description.channelsPerFrame : 1;
    AudioStreamBasicDescription basic{};
    basic.mSampleRate = description.sampleRate;
    basic.mFormatID = kAudioFormatLinearPCM;
    basic.mFormatFlags = flags;
    basic.mBytesPerFrame = samplesPerFrame * description.bitsPerChannel / 8;
    basic.mFramesPerPacket = 1;
    basic.mBytesPerPacket = basic.mBytesPerFrame;
    basic.mChannelsPerFrame = description.channelsPerFrame;
    basic.mBitsPerChannel = description.bitsPerChannel;
    return basic;
}

std::optional<AudioFormat> audioFormatOf(AVAudioFormat* format) {
    const AudioStreamBasicDescription* basic = format.streamDescription;
    if (basic == nullptr) {
        return std::nullopt;
    }
    const std::optional<StreamDescription> description = streamDescriptionOf(*basic);
    if (!description) {
        return std::nullopt;
    }
    return AudioFormat::fromStreamDescription(*description);
}

AVAudioFormat* avAudioFormatOf(const AudioFormat& format) {
    const AudioStreamBasicDescription basic = basicDescriptionOf(format.streamDescription());
    if (format.channelCount() <= 2) {
        return [[AVAudioFormat alloc] initWithStreamDescription:&basic];
    }
    // More than two channels need a layout; ours are just channels in order.
    AVAudioChannelLayout* layout = [[AVAudioChannelLayout alloc]
        initWithLayoutTag:kAudioChannelLayoutTag_DiscreteInOrder | format.channelCount()];
    return [[AVAudioFormat alloc] initWithStreamDescription:&basic channelLayout:layout];
}

}  // namespace tallwick
