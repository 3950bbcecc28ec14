#include <gtest/gtest.h>

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
    struct Case {
        SampleType type;
        std::uint32_t bits, channels;
        double rate;
        bool bigEndian;
        std::optional<CommonFormat> expected;
    };
    const Case cases[] = {
        {F, 32, 2, 48000, false, CommonFormat::float32}, {F, 64, 1, 8000, false, CommonFormat::float64},
        {F, 16, 2, 48000, false, CommonFormat::other},   {I, 16, 32, 48000, false, CommonFormat::int16},
        {I, 32, 2, 48000, false, CommonFormat::int32},   {I, 8, 2, 48000, false, CommonFormat::other},
        {F, 32, 2, 48000, true, CommonFormat::other},    {F, 32, 0, 48000, false, refused},
        {F, 32, 33, 48000, false, refused},              {F, 32, 2, 0, false, refused},
        {F, 32, 2, std::nan(""), false, refused},        {F, 32, 2, inf, false, refused},
        {F, 7, 2, 48000, false, refused},                {F, 72, 2, 48000, false, refused},
        {I, 12, 2, 48000, false, refused},
    };
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        const auto& c = cases[i];
        StreamDescription d;
        d.sampleRate = c.rate;
        d.channelsPerFrame = c.channels;
        d.sampleType = c.type;
        d.bitsPerChannel = c.bits;
        d.bigEndian = c.bigEndian;
        const auto format = AudioFormat::fromStreamDescription(d);
        ASSERT_EQ(format.has_value(), c.expected.has_value()) << "case " << i;
        if (format) {
            EXPECT_EQ(format->commonFormat(), *c.expected) << "case " << i;
        }
    }
    EXPECT_EQ(AudioFormat::outputPCM(), AudioFormat(CommonFormat::int16, 16000, 1, true));
    EXPECT_FALSE(AudioFormat(CommonFormat::float32, 48000, 2, true) ==
                 AudioFormat(CommonFormat::float32, 48000, 2, false));
}

TEST(PCMBuffer, LaysOutOneRegionInterleavedAndOnePerChannelOtherwise) {
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
}

TEST(PCMBuffer, RefusesEmptyAndUnbelievableCapacities) {
    EXPECT_FALSE(PCMBuffer::make(AudioFormat::outputPCM(), 0));
    const AudioFormat wide(CommonFormat::float64, 48000, 32, false);
    // 32 channels × 8 bytes × 2^20 frames = 256 MiB: the most a buffer may hold.
    EXPECT_FALSE(PCMBuffer::make(wide, (1u << 20) + 1));
    EXPECT_FALSE(PCMBuffer::make(wide, 0xFFFFFFFFu));
}

}  // namespace
}  // namespace tallwick
