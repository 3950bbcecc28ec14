#include "platform/PCMBuffer.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>

namespace tallwick {
namespace {

const AudioFormat stereoInt16Interleaved(CommonFormat::int16, 48000.0, 2, true);
const AudioFormat stereoFloatPlanar(CommonFormat::float32, 48000.0, 2, false);

TEST(PCMBufferWrap, SharesTheOwnersSamplesWithoutCopying) {
    std::array<std::int16_t, 8> samples{1, -1, 2, -2, 3, -3, 4, -4};
    auto interleaved = PCMBuffer::wrap(stereoInt16Interleaved, 4, {{2, sizeof samples, samples.data()}});
    ASSERT_NE(interleaved, nullptr);
    EXPECT_EQ(interleaved->frameCapacity(), 4u);
    EXPECT_EQ(interleaved->int16ChannelData()[1], samples.data() + 1);
    samples[6] = 42;  // the owner writes, the wrapper sees it
    EXPECT_EQ(interleaved->int16ChannelData()[0][6], 42);

    std::array<float, 16> left{};
    std::array<float, 16> right{};
    auto planar = PCMBuffer::wrap(stereoFloatPlanar, 10,
                                  {{1, sizeof left, left.data()}, {1, sizeof right, right.data()}});
    ASSERT_NE(planar, nullptr);
    EXPECT_EQ(planar->frameCapacity(), 10u);
    EXPECT_EQ(planar->audioBufferList()[1].data, right.data());
    EXPECT_EQ(planar->audioBufferList()[1].dataByteSize, 40u);
    EXPECT_EQ(planar->int16ChannelData(), nullptr);
    EXPECT_FALSE(planar->remake(2)) << "a wrapped buffer's storage is not its own";
}

TEST(PCMBufferWrap, RefusesRegionsThatDoNotHoldTheFormat) {
    std::array<float, 8> left{};
    std::array<float, 8> right{};
    const AudioBuffer leftRegion{1, sizeof left, left.data()};
    const AudioBuffer rightRegion{1, sizeof right, right.data()};
    const struct {
        const AudioFormat& format;
        std::uint32_t frames;
        AudioBufferList regions;
    } cases[] = {
        {stereoFloatPlanar, 8, {leftRegion}},                             // one region for two
        {stereoFloatPlanar, 9, {leftRegion, rightRegion}},                // smaller than the capacity
        {stereoFloatPlanar, 8, {leftRegion, {1, sizeof right, nullptr}}}, // no samples behind it
        {stereoFloatPlanar, 4, {{2, sizeof left, left.data()}, rightRegion}},  // two channels in one
        {stereoInt16Interleaved, 4, {{1, sizeof left, left.data()}}},    // stereo read as mono
        {stereoFloatPlanar, 0, {leftRegion, rightRegion}},                // nothing to hold
    };
    for (const auto& c : cases) {
        EXPECT_EQ(PCMBuffer::wrap(c.format, c.frames, c.regions), nullptr) << c.frames;
    }
    EXPECT_EQ(PCMBuffer::wrap(AudioFormat(CommonFormat::float32, 48000.0, 0, false), 4, {}), nullptr);
}

}  // namespace
}  // namespace tallwick
