#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <limits>

#include "platform/AudioFormat.h"
#include "platform/PCMBuffer.h"

namespace tallwick {
namespace {

TEST(AudioFormat, NamesTheCommonLayoutsAndRefusesDescriptionsNoStreamCanHave) {
    constexpr auto F = SampleType::floatingPoint;
    constexpr auto I = SampleType::signedInteger;
    const double inf = std::numeric_limits<double>::infinity();
    const std::optional<CommonFormat> refused;
    const std::pair<StreamDescription, std::optional<CommonFormat>> cases[] = {
        {{48000, 2, F, 32}, CommonFormat::float32},
        {{8000, 1, F, 64}, CommonFormat::float64},
        {{48000, 2, F, 16}, CommonFormat::other},
        {{48000, 32, I, 16}, CommonFormat::int16},
        {{48000, 2, I, 32}, CommonFormat::int32},
        {{48000, 2, I, 8}, CommonFormat::other},
        {{48000, 2, F, 32, true, true}, CommonFormat::other},
        {{48000, 0, F, 32}, refused},
        {{48000, 33, F, 32}, refused},
        {{0, 2, F, 32}, refused},
        {{std::nan(""), 2, F, 32}, refused},
        {{inf, 2, F, 32}, refused},
        {{48000, 2, F, 72}, refused},
        {{48000, 2, I, 12}, refused},
    };
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        const auto format = AudioFormat::fromStreamDescription(cases[i].first);
        EXPECT_EQ(format ? std::optional(format->commonFormat()) : std::nullopt, cases[i].second)
            << "case " << i;
    }
}

TEST(PCMBuffer, LaysOutItsRegionsAndRefusesUnbelievableCapacities) {
    const auto interleaved = PCMBuffer::make(AudioFormat(CommonFormat::int16, 16000, 3, true), 100);
    ASSERT_TRUE(interleaved);
    ASSERT_EQ(interleaved->audioBufferList().size(), 1u);
    EXPECT_EQ(interleaved->audioBufferList()[0].dataByteSize, 600u);
    EXPECT_EQ(interleaved->audioBufferList()[0].numberChannels, 3u);
    auto* const* channels = interleaved->int16ChannelData();
    ASSERT_NE(channels, nullptr);
    EXPECT_EQ(channels[2] - channels[0], 2);

    const auto planar = PCMBuffer::make(AudioFormat(CommonFormat::float64, 8000, 2, false), 10);
    ASSERT_EQ(planar->audioBufferList().size(), 2u);
    EXPECT_EQ(planar->audioBufferList()[1].dataByteSize, 80u);
    EXPECT_EQ(planar->int16ChannelData(), nullptr);

    planar->setFrameLength(11);
    EXPECT_EQ(planar->frameLength(), 10u) << "a frame length beyond the capacity";

    EXPECT_FALSE(PCMBuffer::make(AudioFormat::outputPCM(), 0));
    const AudioFormat wide(CommonFormat::float64, 48000, 32, false);
    // 32 channels × 8 bytes × 2^20 frames = 256 MiB: the most a buffer may hold.
    EXPECT_FALSE(PCMBuffer::make(wide, (1u << 20) + 1));
    EXPECT_FALSE(PCMBuffer::make(wide, 0xFFFFFFFFu));
}

const AudioFormat stereoInt16Interleaved(CommonFormat::int16, 48000.0, 2, true);
const AudioFormat stereoFloatPlanar(CommonFormat::float32, 48000.0, 2, false);

TEST(PCMBufferWrap, SharesTheOwnersSamplesAndRefusesRegionsThatDoNotHoldTheFormat) {
    std::array<std::int16_t, 8> samples{1, -1, 2, -2, 3, -3, 4, -4};
    auto interleaved =
        PCMBuffer::wrap(stereoInt16Interleaved, 4, {{2, sizeof samples, samples.data()}});
    ASSERT_NE(interleaved, nullptr);
    EXPECT_EQ(interleaved->frameCapacity(), 4u);
    EXPECT_EQ(interleaved->int16ChannelData()[1], samples.data() + 1);

    std::array<float, 8> left{}, right{};
    const AudioBuffer leftRegion{1, sizeof left, left.data()};
    const AudioBuffer rightRegion{1, sizeof right, right.data()};
    auto planar = PCMBuffer::wrap(stereoFloatPlanar, 5, {leftRegion, rightRegion});
    ASSERT_NE(planar, nullptr);
    EXPECT_EQ(planar->frameCapacity(), 5u);
    EXPECT_EQ(planar->audioBufferList()[1].data, right.data());
    EXPECT_EQ(planar->audioBufferList()[1].dataByteSize, 20u);
    EXPECT_EQ(planar->int16ChannelData(), nullptr);
    EXPECT_FALSE(planar->remake(2)) << "a wrapped buffer's storage is not its own";

    const struct {
        const AudioFormat& format;
        std::uint32_t frames;
        AudioBufferList regions;
    } cases[] = {
        {stereoFloatPlanar, 8, {leftRegion}},               // one region for two
        {stereoFloatPlanar, 9, {leftRegion, rightRegion}},  // smaller than the capacity
        {stereoFloatPlanar, 8, {leftRegion, {1, sizeof right, nullptr}}},  // no samples behind it
        {stereoFloatPlanar,
         4,
         {{2, sizeof left, left.data()}, rightRegion}},                // two channels in one
        {stereoInt16Interleaved, 4, {{1, sizeof left, left.data()}}},  // stereo read as mono
        {stereoFloatPlanar, 0, {leftRegion, rightRegion}},             // nothing to hold
    };
    for (const auto& c : cases) {
        EXPECT_EQ(PCMBuffer::wrap(c.format, c.frames, c.regions), nullptr) << c.frames;
    }
    EXPECT_EQ(PCMBuffer::wrap(AudioFormat(CommonFormat::float32, 48000.0, 0, false), 4, {}),
              nullptr);
}

}  // namespace
}  // namespace tallwick
