#include "platform/apple/StreamBasicDescription.h"

#include <gtest/gtest.h>

#include <optional>

namespace tallwick {
namespace {

TEST(StreamBasicDescription, ReadsWhatTheFrameworksDeliverAndRefusesWhatWouldBeMisread) {
    struct Case {
        AudioStreamBasicDescription basic;
        std::optional<StreamDescription> expected;
    };
    const Case cases[] = {
        // Planar 32-bit float, as ScreenCaptureKit delivers system audio.
        {{48000, kAudioFormatLinearPCM,
          kAudioFormatFlagIsFloat | kAudioFormatFlagIsPacked | kAudioFormatFlagIsNonInterleaved, 4,
          1, 4, 2, 32, 0},
         AudioFormat(CommonFormat::float32, 48000.0, 2, false).streamDescription()},
        {{44100, kAudioFormatLinearPCM,
          kAudioFormatFlagIsSignedInteger | kAudioFormatFlagIsPacked | kAudioFormatFlagIsBigEndian,
          4, 1, 4, 2, 16, 0},
         StreamDescription{44100.0, 2, SampleType::signedInteger, 16, true, true}},
        {{48000, kAudioFormatMPEG4AAC, 0, 0, 1, 0, 2, 0, 0}, std::nullopt},
        // 24-bit samples in 32-bit containers
        {{48000, kAudioFormatLinearPCM,
          kAudioFormatFlagIsSignedInteger | kAudioFormatFlagIsAlignedHigh, 8, 1, 8, 2, 24, 0},
         std::nullopt},
    };
    for (const Case& c : cases)
        EXPECT_EQ(streamDescriptionOf(c.basic), c.expected) << c.basic.mSampleRate;
}

}  // namespace
}  // namespace tallwick
