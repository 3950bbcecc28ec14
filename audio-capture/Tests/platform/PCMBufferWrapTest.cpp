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
    const AudioBufferList regions{{2, sizeof samples, samples.data()}};

    auto buffer = PCMBuffer::wrap(stereoInt16Interleaved, 4, regions);
    ASSERT_NE(buffer, nullptr);
    buffer->setFrameLength(4);

    EXPECT_EQ(buffer->audioBufferList().at(0).data, samples.data());
    std::int16_t* const* channels = buffer->int16ChannelData();
    ASSERT_NE(channels, nullptr);
    EXPECT_EQ(channels[0], &samples[0]);
    EXPECT_EQ(channels[1], &samples[1]);
    samples[6] = 42;  // the owner writes, the wrapper sees it
    EXPECT_EQ(channels[0][6], 42);
}

TEST(PCMBufferWrap, SizesTheRegionsToTheCapacityLikeItsOwnStorage) {
    std::array<float, 16> left{};
    std::array<float, 16> right{};
    const AudioBufferList regions{{1, sizeof left, left.data()}, {1, sizeof right, right.data()}};

    auto buffer = PCMBuffer::wrap(stereoFloatPlanar, 10, regions);
    ASSERT_NE(buffer, nullptr);
    auto made = PCMBuffer::make(stereoFloatPlanar, 10);
    ASSERT_EQ(buffer->audioBufferList().size(), made->audioBufferList().size());
    for (std::size_t i = 0; i < made->audioBufferList().size(); ++i) {
        EXPECT_EQ(buffer->audioBufferList()[i].dataByteSize, made->audioBufferList()[i].dataByteSize);
        EXPECT_EQ(buffer->audioBufferList()[i].numberChannels,
                  made->audioBufferList()[i].numberChannels);
    }
    EXPECT_EQ(buffer->audioBufferList()[1].data, right.data());
    EXPECT_EQ(buffer->frameCapacity(), 10u);
    EXPECT_EQ(buffer->int16ChannelData(), nullptr);
}

TEST(PCMBufferWrap, RefusesRegionsThatDoNotHoldTheFormat) {
    std::array<float, 8> left{};
    std::array<float, 8> right{};
    const AudioBuffer leftRegion{1, sizeof left, left.data()};
    const AudioBuffer rightRegion{1, sizeof right, right.data()};

    // one region for a planar stereo format
    EXPECT_EQ(PCMBuffer::wrap(stereoFloatPlanar, 8, {leftRegion}), nullptr);
    // a region smaller than the capacity
    EXPECT_EQ(PCMBuffer::wrap(stereoFloatPlanar, 9, {leftRegion, rightRegion}), nullptr);
    // no samples behind a region
    EXPECT_EQ(PCMBuffer::wrap(stereoFloatPlanar, 8, {leftRegion, {1, sizeof right, nullptr}}),
              nullptr);
    // a region claiming two channels in a planar format
    EXPECT_EQ(PCMBuffer::wrap(stereoFloatPlanar, 4, {{2, sizeof left, left.data()}, rightRegion}),
              nullptr);
    // an interleaved stereo region read as mono
    EXPECT_EQ(PCMBuffer::wrap(stereoInt16Interleaved, 4, {{1, sizeof left, left.data()}}),
              nullptr);
    // nothing to hold
    EXPECT_EQ(PCMBuffer::wrap(stereoFloatPlanar, 0, {leftRegion, rightRegion}), nullptr);
    EXPECT_EQ(PCMBuffer::wrap(AudioFormat(CommonFormat::float32, 48000.0, 0, false), 4, {}),
              nullptr);
}

TEST(PCMBufferRemake, LooksMadeAnewWhetherItsStorageGrowsOrIsKept) {
    // Down, up within the storage, beyond it; interleaved and planar.
    for (const auto& format : {stereoInt16Interleaved, stereoFloatPlanar}) {
        auto buffer = PCMBuffer::make(format, 100);
        ASSERT_NE(buffer, nullptr);
        for (const std::uint32_t frames : {10u, 100u, 5000u, 7u}) {
            buffer->setFrameLength(buffer->frameCapacity());
            ASSERT_TRUE(buffer->remake(frames));
            const auto fresh = PCMBuffer::make(format, frames);
            EXPECT_EQ(buffer->frameCapacity(), frames);
            EXPECT_EQ(buffer->frameLength(), 0u);
            const auto& regions = buffer->audioBufferList();
            ASSERT_EQ(regions.size(), fresh->audioBufferList().size());
            for (std::size_t r = 0; r < regions.size(); ++r) {
                EXPECT_EQ(regions[r].numberChannels, fresh->audioBufferList()[r].numberChannels);
                EXPECT_EQ(regions[r].dataByteSize, fresh->audioBufferList()[r].dataByteSize);
            }
            if (std::int16_t* const* channels = buffer->int16ChannelData()) {
                EXPECT_EQ(channels[0], regions[0].data);
                EXPECT_EQ(channels[1], static_cast<std::int16_t*>(regions[0].data) + 1);
                channels[0][2 * frames - 1] = 7;  // the whole capacity is writable
            }
        }
    }
}

TEST(PCMBufferRemake, RefusesWhatMakeRefusesAndWrappedBuffers) {
    auto buffer = PCMBuffer::make(stereoInt16Interleaved, 16);
    ASSERT_NE(buffer, nullptr);
    EXPECT_FALSE(buffer->remake(0));
    EXPECT_FALSE(buffer->remake(PCMBuffer::maxStorageBytes / 4 + 1));
    EXPECT_EQ(buffer->frameCapacity(), 16u);

    std::array<std::int16_t, 8> samples{};
    auto wrapped = PCMBuffer::wrap(stereoInt16Interleaved, 4, {{2, sizeof samples, samples.data()}});
    ASSERT_NE(wrapped, nullptr);
    EXPECT_FALSE(wrapped->remake(2));
    EXPECT_EQ(wrapped->frameCapacity(), 4u);
}

}  // namespace
}  // namespace tallwick
