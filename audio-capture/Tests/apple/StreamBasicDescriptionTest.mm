#include "platform/apple/StreamBasicDescription.h"

#include <gtest/gtest.h>

namespace tallwick {
namespace {

AudioStreamBasicDescription linearPCM(double rate, UInt32 channels, UInt32 bits,
                                      UInt32 bytesPerFrame, AudioFormatFlags flags) {
    AudioStreamBasicDescription basic{};
    basic.mSampleRate = rate;
    basic.mFormatID = kAudioFormatLinearPCM;
    basic.mFormatFlags = flags;
    basic.mBytesPerPacket = bytesPerFrame;
    basic.mFramesPerPacket = 1;
    basic.mBytesPerFrame = bytesPerFrame;
    basic.mChannelsPerFrame = channels;
    basic.mBitsPerChannel = bits;
    return basic;
}

TEST(StreamBasicDescription, ReadsWhatScreenCaptureKitDelivers) {
    // Planar 32-bit float, as system audio arrives.
    const auto basic = linearPCM(48000, 2, 32, 4,
                                 kAudioFormatFlagIsFloat | kAudioFormatFlagIsPacked |
                                     kAudioFormatFlagIsNonInterleaved);
    const auto description = streamDescriptionOf(basic);
    ASSERT_TRUE(description.has_value());
    EXPECT_EQ(description->sampleRate, 48000.0);
    EXPECT_EQ(description->channelsPerFrame, 2u);
    EXPECT_EQ(description->sampleType, SampleType::floatingPoint);
    EXPECT_EQ(description->bitsPerChannel, 32u);
    EXPECT_FALSE(description->interleaved);
    EXPECT_FALSE(description->bigEndian);
    EXPECT_EQ(AudioFormat::fromStreamDescription(*description)->commonFormat(),
              CommonFormat::float32);
}

TEST(StreamBasicDescription, ReadsByteOrderAndInterleaving) {
    const auto basic = linearPCM(44100, 2, 16, 4,
                                 kAudioFormatFlagIsSignedInteger | kAudioFormatFlagIsPacked |
                                     kAudioFormatFlagIsBigEndian);
    const auto description = streamDescriptionOf(basic);
    ASSERT_TRUE(description.has_value());
    EXPECT_EQ(description->sampleType, SampleType::signedInteger);
    EXPECT_EQ(description->bitsPerChannel, 16u);
    EXPECT_TRUE(description->interleaved);
    EXPECT_TRUE(description->bigEndian);
}

TEST(StreamBasicDescription, RefusesWhatWouldBeMisread) {
    AudioStreamBasicDescription compressed = linearPCM(48000, 2, 0, 0, 0);
    compressed.mFormatID = kAudioFormatMPEG4AAC;
    EXPECT_FALSE(streamDescriptionOf(compressed).has_value());

    // unsigned 8-bit samples
    EXPECT_FALSE(streamDescriptionOf(linearPCM(8000, 1, 8, 1, kAudioFormatFlagIsPacked)));
    // 24-bit samples in 32-bit containers
    EXPECT_FALSE(streamDescriptionOf(linearPCM(
        48000, 2, 24, 8, kAudioFormatFlagIsSignedInteger | kAudioFormatFlagIsAlignedHigh)));
}

TEST(StreamBasicDescription, RoundTripsThroughTheFramework) {
    const AudioFormat planarSix(CommonFormat::float32, 48000.0, 6, false);
    AVAudioFormat* framework = avAudioFormatOf(planarSix);
    ASSERT_NE(framework, nil);
    EXPECT_EQ(framework.channelCount, 6u);
    EXPECT_EQ(audioFormatOf(framework), planarSix);

    const AudioFormat output = AudioFormat::outputPCM();
    EXPECT_EQ(streamDescriptionOf(basicDescriptionOf(output.streamDescription())),
              output.streamDescription());
    EXPECT_EQ(audioFormatOf(avAudioFormatOf(output)), output);
}

TEST(StreamBasicDescription, ReadsTheFrameworksStandardFormat) {
    AVAudioFormat* standard = [[AVAudioFormat alloc] initStandardFormatWithSampleRate:44100
                                                                            channels:2];
    EXPECT_EQ(audioFormatOf(standard), AudioFormat(CommonFormat::float32, 44100.0, 2, false));
}

}  // namespace
}  // namespace tallwick
