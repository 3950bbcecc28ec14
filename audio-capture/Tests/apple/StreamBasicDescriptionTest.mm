#include "platform/apple/StreamBasicDescription.h"

#include <gtest/gtest.h>

#include <optional>

namespace tallwick {
namespace {

AudioStreamBasicDescription linearPCM(double rate, UInt32 channels, UInt32 bits, UInt32 bytesPerFrame,
                                      AudioFormatFlags flags, AudioFormatID formatID = kAudioFormatLinearPCM) {
    AudioStreamBasicDescription basic{};
    basic.mSampleRate = rate;
    basic.mFormatID = formatID;
    basic.mFormatFlags = flags;
    basic.mBytesPerPacket = bytesPerFrame;
    basic.mFramesPerPacket = 1;
    basic.mBytesPerFrame = bytesPerFrame;
    basic.mChannelsPerFrame = channels;
    basic.mBitsPerChannel = bits;
    return basic;
}

TEST(StreamBasicDescription, ReadsWhatTheFrameworksDeliverAndRefusesWhatWouldBeMisread) {
    struct Case {
        AudioStreamBasicDescription basic;
        std::optional<StreamDescription> expected;
    };
    const Case cases[] = {
        // Planar 32-bit float, as ScreenCaptureKit delivers system audio.
        {linearPCM(48000, 2, 32, 4, kAudioFormatFlagIsFloat | kAudioFormatFlagIsPacked | kAudioFormatFlagIsNonInterleaved),
         AudioFormat(CommonFormat::float32, 48000.0, 2, false).streamDescription()},
        {linearPCM(44100, 2, 16, 4, kAudioFormatFlagIsSignedInteger | kAudioFormatFlagIsPacked | kAudioFormatFlagIsBigEndian),
         StreamDescription{44100.0, 2, SampleType::signedInteger, 16, true, true}},
        {linearPCM(48000, 2, 0, 0, 0, kAudioFormatMPEG4AAC), std::nullopt},
        // 24-bit samples in 32-bit containers
        {linearPCM(48000, 2, 24, 8, kAudioFormatFlagIsSignedInteger | kAudioFormatFlagIsAlignedHigh), std::nullopt},
    };
    for (const Case& c : cases) EXPECT_EQ(streamDescriptionOf(c.basic), c.expected) << c.basic.mSampleRate;
}

}  // namespace
}  // namespace tallwick
