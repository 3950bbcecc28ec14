#include "platform/apple/AVAudioPCMBufferView.h"

#include <gtest/gtest.h>

namespace tallwick {
namespace {

TEST(AVAudioPCMBufferView, SeesTheValidFramesOfAPlanarBufferWithoutCopying) {
    AVAudioFormat* format = [[AVAudioFormat alloc] initStandardFormatWithSampleRate:48000 channels:2];
    AVAudioPCMBuffer* tapped = [[AVAudioPCMBuffer alloc] initWithPCMFormat:format frameCapacity:4096];
    const auto empty = pcmBufferOver(tapped);
    ASSERT_NE(empty, nullptr);
    EXPECT_EQ(empty->frameLength(), 0u) << "an empty buffer is still a buffer";
    tapped.frameLength = 480;
    const auto view = pcmBufferOver(tapped);
    ASSERT_NE(view, nullptr);
    EXPECT_EQ(view->format(), AudioFormat(CommonFormat::float32, 48000.0, 2, false));
    EXPECT_EQ(view->frameLength(), 480u);
    ASSERT_EQ(view->audioBufferList().size(), 2u);
    EXPECT_EQ(view->audioBufferList()[0].data, tapped.floatChannelData[0]);
    EXPECT_EQ(view->audioBufferList()[1].data, tapped.floatChannelData[1]);
}

TEST(AVAudioPCMBufferView, GivesInterleavedSamplesTheirChannelPointers) {
    AVAudioFormat* format = [[AVAudioFormat alloc] initWithCommonFormat:AVAudioPCMFormatInt16
                                                             sampleRate:16000
                                                               channels:2
                                                            interleaved:YES];
    AVAudioPCMBuffer* tapped = [[AVAudioPCMBuffer alloc] initWithPCMFormat:format frameCapacity:64];
    tapped.frameLength = 10;
    const auto view = pcmBufferOver(tapped);
    ASSERT_NE(view, nullptr);
    ASSERT_NE(view->int16ChannelData(), nullptr);
    EXPECT_EQ(view->int16ChannelData()[0], tapped.int16ChannelData[0]);
    EXPECT_EQ(view->int16ChannelData()[1], tapped.int16ChannelData[0] + 1);
}

}  // namespace
}  // namespace tallwick
