#include "convert/PCMConverter.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "ConvertTestSupport.h"
#include "support/CapturedEvents.h"
#include "support/FakeSampleBuffer.h"

namespace tallwick {
namespace {

using testing::CapturedEvents;
using testing::convertInBuffers;
using testing::FakeSampleBuffer;
using testing::tone;

const AudioFormat stereo48k(CommonFormat::float32, 48000, 2, true);

FakeSampleBuffer toneBuffer(const AudioFormat& format, std::size_t frames, double hz = 440) {
    return FakeSampleBuffer::of(format, tone(hz, 0.5, format.sampleRate(), frames));
}

std::vector<std::string> logMessages(const CapturedEvents& captured) {
    std::vector<std::string> messages;
    for (const auto& event : captured.events()) {
        EXPECT_EQ(event.at("type"), "log");
        EXPECT_FALSE(event.contains("data"));
        messages.push_back(event.at("message").get<std::string>());
    }
    return messages;
}

// Once, for the first format only, naming its rate, channels and common format.
TEST(PCMConverterFormatLog, AnnouncesTheFirstFormatOnce) {
    const std::pair<AudioFormat, std::string> cases[] = {
        {AudioFormat(CommonFormat::float64, 22050.5, 6, false), "Input audio: 22050.5 Hz, 6 ch, 2"},
        {AudioFormat(CommonFormat::int32, 96000, 32, false), "Input audio: 96000.0 Hz, 32 ch, 4"},
    };
    for (const auto& [format, text] : cases) {
        CapturedEvents captured;
        PCMConverter converter;
        for (int i = 0; i < 20; ++i) converter.convert(toneBuffer(format, 1024));
        converter.convert(toneBuffer(stereo48k, 1024));
        EXPECT_EQ(logMessages(captured), std::vector<std::string>{text});
    }
}

TEST(PCMConverterFormatLog, GoesOutEvenWhenTheFirstBufferYieldsNothing) {
    StreamDescription eightBit = stereo48k.streamDescription();
    eightBit.sampleType = SampleType::signedInteger;
    eightBit.bitsPerChannel = 8;
    std::vector<FakeSampleBuffer> unusable{
        FakeSampleBuffer(eightBit, 1024, {std::vector<std::byte>(2048)}),     // no converter
        FakeSampleBuffer(stereo48k.streamDescription(), 1024, {{}}),          // copy fails
        toneBuffer(stereo48k, 1024),  // the resampler has nothing to release yet
    };
    for (auto& first : unusable) {
        CapturedEvents captured;
        PCMConverter converter;
        EXPECT_EQ(converter.convert(first), std::nullopt);
        EXPECT_EQ(captured.events().size(), 1u);
        converter.convert(toneBuffer(stereo48k, 4800));
        EXPECT_EQ(captured.events().size(), 1u);
    }
}

TEST(PCMConverterChunks, HoldTwoBytesPerFrameAndAtMostTheBuffersCapacity) {
    CapturedEvents captured;
    PCMConverter converter;
    std::size_t largest = 0;
    std::size_t total = 0;
    for (int i = 0; i < 200; ++i) {
        const auto chunk = converter.convert(toneBuffer(stereo48k, 1024));
        if (chunk) {
            ASSERT_FALSE(chunk->empty());
            ASSERT_EQ(chunk->size() % 2, 0u);
            largest = std::max(largest, chunk->size() / 2);
            total += chunk->size() / 2;
        }
    }
    // The resampler releases blocks larger than one buffer's share, so the
    // 406-frame capacity of a 1024-frame buffer at 48 kHz is reached.
    EXPECT_EQ(largest, 406u);
    EXPECT_NEAR(static_cast<double>(total), 200 * 1024 / 3.0, 1200);
}

// A converter for a new format, or one a refused format left behind, converts
// like a fresh one.
TEST(PCMConverterReuse, ANewFormatStartsAFreshConverter) {
    CapturedEvents captured;
    const AudioFormat tooSlow(CommonFormat::float32, 4000, 1, true);
    const std::pair<AudioFormat, AudioFormat> changes[] = {
        {stereo48k, AudioFormat(CommonFormat::float32, 44100, 1, true)},
        {stereo48k, AudioFormat(CommonFormat::float32, 48000, 2, false)},
        {tooSlow, stereo48k},
    };
    for (const auto& [before, after] : changes) {
        PCMConverter converter;
        convertInBuffers(converter, before, tone(440, 0.5, before.sampleRate(), 24000), 1024);
        const auto signal = tone(440, 0.5, after.sampleRate(), 22050);
        const auto afterChange = convertInBuffers(converter, after, signal, 1024);
        PCMConverter fresh;
        EXPECT_FALSE(afterChange.empty());
        EXPECT_EQ(afterChange, convertInBuffers(fresh, after, signal, 1024));
    }
}

// Whatever a capture hands over, the answer is nothing and the converter carries on with the next good buffer
// as if the bad ones had not been there.
TEST(PCMConverterBadInput, UnusableBuffersGiveNothingAndLeaveTheStreamAlone) {
    std::vector<FakeSampleBuffer> bad;
    bad.push_back(toneBuffer(stereo48k, 1024));
    bad.back().setHasFormatDescription(false);
    bad.emplace_back(std::nullopt, 1024, std::vector<std::vector<std::byte>>{});
    // Frame counts beyond what the buffer holds or 32 bits, or (the largest
    // 32-bit count) beyond any memory.
    for (const std::int64_t frames : {std::int64_t{1025}, std::int64_t{-1},
                                      std::int64_t{std::numeric_limits<std::int32_t>::max()},
                                      std::int64_t{std::numeric_limits<std::int32_t>::max()} + 1,
                                      std::numeric_limits<std::int64_t>::min()}) {
        bad.push_back(toneBuffer(stereo48k, 1024));
        bad.back().setNumSamples(frames);
    }
    CapturedEvents captured;
    PCMConverter converter;
    for (const auto& buffer : bad) {
        EXPECT_EQ(converter.convert(buffer), std::nullopt);
    }
    // Only the first buffer with a usable format is announced.
    EXPECT_EQ(logMessages(captured), std::vector<std::string>{"Input audio: 48000.0 Hz, 2 ch, 1"});
    PCMConverter fresh;
    const auto signal = tone(440, 0.5, 48000, 48000);
    EXPECT_EQ(convertInBuffers(converter, stereo48k, signal, 4800),
              convertInBuffers(fresh, stereo48k, signal, 4800));
}

}  // namespace
}  // namespace tallwick
