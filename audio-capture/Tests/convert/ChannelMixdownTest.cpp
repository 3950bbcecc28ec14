#include "convert/ChannelMixdown.h"

#include <gtest/gtest.h>

#include <cmath>

#include "ConvertTestSupport.h"
#include "support/Spectrum.h"

namespace tallwick {
namespace {

using testing::convertOnce;
using testing::pcmBufferOf;
using testing::plus;
using testing::tone;

const AudioFormat output = AudioFormat::outputPCM();

std::vector<std::int16_t> convertWhole(const AudioFormat& format,
                                       const std::vector<std::vector<double>>& channels) {
    auto converter = AudioConverter::make(format, output);
    EXPECT_NE(converter, nullptr);
    const auto input = pcmBufferOf(format, channels);
    return convertOnce(*converter, input.get(), 40000);
}

std::vector<double> negated(std::vector<double> samples) {
    for (auto& s : samples) s = -s;
    return samples;
}

TEST(ChannelMixdown, AveragesTheChannels) {
    const AudioFormat format(CommonFormat::float32, 8000, 4, true);
    const auto input = pcmBufferOf(format, {{0.5, 1.0, -1.0}, {0.25, 1.0, -1.0},
                                            {0.0, 1.0, -1.0}, {-0.75, 1.0, 0.0}});
    float mono[3];
    ASSERT_TRUE(mixDownToMono(*input, mono));
    EXPECT_EQ(mono[0], 0.0f);
    EXPECT_EQ(mono[1], 1.0f);
    EXPECT_EQ(mono[2], -0.75f);
}

TEST(ChannelMixdown, ScalesEachSampleTypeToFullScaleOne) {
    for (const auto common : {CommonFormat::int16, CommonFormat::int32, CommonFormat::float32,
                              CommonFormat::float64}) {
        const AudioFormat format(common, 8000, 1, false);
        const auto input = pcmBufferOf(format, std::vector<double>{-1.0, 0.5, -0.25});
        float mono[3];
        ASSERT_TRUE(mixDownToMono(*input, mono));
        EXPECT_EQ(mono[0], -1.0f);
        EXPECT_EQ(mono[1], 0.5f);
        EXPECT_EQ(mono[2], -0.25f);
    }
}

TEST(ChannelMixdown, OppositeChannelsCancelToSilence) {
    const auto x = plus(tone(440, 0.7, 48000, 48000), tone(3100, 0.2, 48000, 48000));
    for (const bool interleaved : {true, false}) {
        const auto result =
            convertWhole(AudioFormat(CommonFormat::float32, 48000, 2, interleaved), {x, negated(x)});
        ASSERT_GT(result.size(), 15000u);
        for (std::size_t i = 0; i < result.size(); ++i) {
            ASSERT_EQ(result[i], 0) << "at " << i;
        }
    }
}

TEST(ChannelMixdown, InterleavedAndSeparateChannelsGiveTheSameOutput) {
    const auto left = tone(440, 0.6, 44100, 44100);
    const auto right = tone(1250, 0.3, 44100, 44100, 1.0);
    for (const auto common : {CommonFormat::float32, CommonFormat::int16}) {
        const auto interleaved = convertWhole(AudioFormat(common, 44100, 2, true), {left, right});
        const auto separate = convertWhole(AudioFormat(common, 44100, 2, false), {left, right});
        ASSERT_GT(interleaved.size(), 15000u);
        EXPECT_EQ(interleaved, separate);
    }
}

TEST(ChannelMixdown, EverySampleTypeGivesTheSameSignal) {
    const auto left = plus(tone(440, 0.4, 48000, 24000), tone(2900, 0.2, 48000, 24000));
    const auto right = tone(700, 0.3, 48000, 24000);
    const auto reference = convertWhole(AudioFormat(CommonFormat::float64, 48000, 2, true),
                                        {left, right});
    ASSERT_GT(reference.size(), 7000u);
    for (const auto common : {CommonFormat::float32, CommonFormat::int32, CommonFormat::int16}) {
        const auto result = convertWhole(AudioFormat(common, 48000, 2, true), {left, right});
        ASSERT_EQ(result.size(), reference.size());
        int worst = 0;
        for (std::size_t i = 0; i < result.size(); ++i) {
            worst = std::max(worst, std::abs(result[i] - reference[i]));
        }
        // Integer input reaches single precision by another rounding path
        // (int16 is itself rounded to 16 bits first): one step at most.
        EXPECT_LE(worst, common == CommonFormat::float32 ? 0 : 1) << static_cast<int>(common);
    }
}

TEST(ChannelMixdown, ThirtyTwoChannelsWithOneSpeaking) {
    std::vector<std::vector<double>> channels(32, std::vector<double>(48000, 0.0));
    channels[31] = tone(1000, 1.0, 48000, 48000);
    const auto result = convertWhole(AudioFormat(CommonFormat::float32, 48000, 32, false), channels);
    const auto measured = testing::toneAmplitude(
        testing::segment(testing::fullScale(result), 2000, 8192), 1000, 16000);
    EXPECT_NEAR(measured, 1.0 / 32, 1e-4);
}

}  // namespace
}  // namespace tallwick
