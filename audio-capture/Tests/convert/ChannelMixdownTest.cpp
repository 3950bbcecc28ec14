#include "convert/ChannelMixdown.h"

#include <gtest/gtest.h>

#include "ConvertTestSupport.h"
#include "support/Spectrum.h"

namespace tallwick {
namespace {

using testing::pcmBufferOf;

TEST(ChannelMixdown, AveragesTheChannelsOfEverySampleTypeAtFullScaleOne) {
    const std::vector<std::vector<double>> channels = {
        {0.5, 1.0, -1.0}, {0.25, 1.0, -1.0}, {0.0, 1.0, -1.0}, {-0.75, 1.0, 0.0}};
    for (const auto common : {CommonFormat::int16, CommonFormat::int32, CommonFormat::float32,
                              CommonFormat::float64}) {
        for (const bool interleaved : {true, false}) {
            const auto input = pcmBufferOf(AudioFormat(common, 8000, 4, interleaved), channels);
            float mono[3];
            ASSERT_TRUE(mixDownToMono(*input, mono));
            // int16 cannot hold +1.0: it clips to 32767 / 32768.
            const float one = common == CommonFormat::int16 ? 32767 / 32768.0f : 1.0f;
            EXPECT_EQ(mono[0], 0.0f) << static_cast<int>(common) << " " << interleaved;
            EXPECT_EQ(mono[1], one) << static_cast<int>(common) << " " << interleaved;
            EXPECT_EQ(mono[2], -0.75f) << static_cast<int>(common) << " " << interleaved;
        }
    }
}

TEST(ChannelMixdown, ThirtyTwoChannelsWithOneSpeaking) {
    std::vector<std::vector<double>> channels(32, std::vector<double>(48000, 0.0));
    channels[31] = testing::tone(1000, 1.0, 48000, 48000);
    const AudioFormat format(CommonFormat::float32, 48000, 32, false);
    auto converter = AudioConverter::make(format, AudioFormat::outputPCM());
    const auto input = pcmBufferOf(format, channels);
    const auto result = testing::convertOnce(*converter, input.get(), 40000);
    const auto measured = testing::toneAmplitude(
        testing::segment(testing::fullScale(result), 2000, 8192), 1000, 16000);
    EXPECT_NEAR(measured, 1.0 / 32, 1e-4);
}

}  // namespace
}  // namespace tallwick
