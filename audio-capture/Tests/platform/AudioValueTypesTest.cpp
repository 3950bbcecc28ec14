#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "platform/AudioFormat.h"
#include "platform/PCMBuffer.h"

namespace tallwick {
namespace {

StreamDescription floatStereo48k() {
    StreamDescription d;
    d.sampleRate = 48000;
    d.channelsPerFrame = 2;
    d.sampleType = SampleType::floatingPoint;
    d.bitsPerChannel = 32;
    d.interleaved = true;
    return d;
}

TEST(AudioFormat, NamesTheCommonLayoutsAndComparesByValue) {
    const auto format = AudioFormat::fromStreamDescription(floatStereo48k());
    ASSERT_TRUE(format);
    EXPECT_EQ(format->commonFormat(), CommonFormat::float32);
    EXPECT_EQ(*format, *AudioFormat::fromStreamDescription(floatStereo48k()));
    EXPECT_EQ(*format, AudioFormat(CommonFormat::float32, 48000, 2, true));
    EXPECT_FALSE(*format == AudioFormat(CommonFormat::float32, 48000, 2, false));
    EXPECT_FALSE(*format == AudioFormat(CommonFormat::float32, 44100, 2, true));

    auto d = floatStereo48k();
    d.bitsPerChannel = 24;
    d.sampleType = SampleType::signedInteger;
    EXPECT_EQ(AudioFormat::fromStreamDescription(d)->commonFormat(), CommonFormat::other);
    d = floatStereo48k();
    d.bigEndian = true;
    EXPECT_EQ(AudioFormat::fromStreamDescription(d)->commonFormat(), CommonFormat::other);
    EXPECT_EQ(AudioFormat::outputPCM(), AudioFormat(CommonFormat::int16, 16000, 1, true));
}

TEST(AudioFormat, RefusesDescriptionsNoStreamCanHave) {
    const double badRates[] = {0.0, -48000.0, std::nan(""), std::numeric_limits<double>::infinity()};
    for (double rate : badRates) {
        auto d = floatStereo48k();
        d.sampleRate = rate;
        EXPECT_FALSE(AudioFormat::fromStreamDescription(d)) << rate;
    }
    for (std::uint32_t channels : {0u, 33u, 0xFFFFFFFFu}) {
        auto d = floatStereo48k();
        d.channelsPerFrame = channels;
        EXPECT_FALSE(AudioFormat::fromStreamDescription(d)) << channels;
    }
    for (std::uint32_t bits : {0u, 7u, 12u, 72u}) {
        auto d = floatStereo48k();
        d.bitsPerChannel = bits;
        EXPECT_FALSE(AudioFormat::fromStreamDescription(d)) << bits;
    }
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
