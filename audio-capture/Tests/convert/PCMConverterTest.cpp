#include "convert/PCMConverter.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "ConvertTestSupport.h"
#include "convert/ChunkCapacity.h"
#include "convert/SampleRateText.h"
#include "support/CapturedEvents.h"
#include "support/FakeSampleBuffer.h"

namespace tallwick {
namespace {

using testing::CapturedEvents;
using testing::convertInBuffers;
using testing::FakeSampleBuffer;
using testing::tone;

const AudioFormat stereo48k(CommonFormat::float32, 48000, 2, true);

FakeSampleBuffer toneBuffer(const AudioFormat& format, std::size_t frames) {
    const auto signal = tone(440, 0.5, format.sampleRate(), frames);
    return FakeSampleBuffer::of(format, std::vector(format.channelCount(), signal));
}

// A second of a tone in `format` comes out as from a fresh converter.
void expectConvertsAsFresh(PCMConverter& converter, const AudioFormat& format) {
    const auto signal =
        tone(440, 0.5, format.sampleRate(), static_cast<std::size_t>(format.sampleRate()));
    const auto out = convertInBuffers(converter, format, signal, 1024);
    PCMConverter fresh;
    EXPECT_FALSE(out.empty());
    EXPECT_EQ(out, convertInBuffers(fresh, format, signal, 1024));
}

std::vector<nlohmann::json> logLine(const std::string& message) {
    return {{{"type", "log"}, {"message", message}}};
}

// Whole rates end in ".0" (printf's "%g" would give "4.8e+04"), fractions use
// the shortest digits that read back, extremes switch to exponential form.
TEST(SampleRateText, IsTheShortestTextThatReadsBack) {
    const std::pair<double, std::string> cases[] = {
        {48000, "48000.0"},
        {0, "0.0"},
        {0.0001, "0.0001"},
        {22050.5, "22050.5"},
        {0.1, "0.1"},  // not 0.10000000000000001
        {44099.999999999993, "44099.99999999999"},
        {9007199254740991.0, "9007199254740991.0"},
        {1e16, "1e+16"},
        {0.00001, "1e-05"},
        {std::numeric_limits<double>::infinity(), "inf"},
        {std::nan(""), "nan"},
    };
    for (const auto& [rate, text] : cases)
        EXPECT_EQ(sampleRateText(rate), text);
}

// Once, for the first format only, naming its rate, channels and common
// format, even when that first buffer yields nothing.
TEST(PCMConverterFormatLog, AnnouncesTheFirstFormatOnce) {
    StreamDescription eightBit = stereo48k.streamDescription();
    eightBit.sampleType = SampleType::signedInteger;
    eightBit.bitsPerChannel = 8;
    const std::pair<FakeSampleBuffer, std::string> cases[] = {
        {toneBuffer(AudioFormat(CommonFormat::float64, 22050.5, 6, false), 1024),
         "Input audio: 22050.5 Hz, 6 ch, 2"},
        {toneBuffer(AudioFormat(CommonFormat::int32, 96000, 32, false), 1024),
         "Input audio: 96000.0 Hz, 32 ch, 4"},
        {FakeSampleBuffer(eightBit, 1024, {std::vector<std::byte>(2048)}),  // no converter
         "Input audio: 48000.0 Hz, 2 ch, 0"},
        {toneBuffer(stereo48k, 1024), "Input audio: 48000.0 Hz, 2 ch, 1"},  // nothing released yet
    };
    for (const auto& [first, text] : cases) {
        CapturedEvents captured;
        PCMConverter converter;
        converter.convert(first);
        EXPECT_EQ(captured.events(), logLine(text));
        for (int i = 0; i < 20; ++i)
            converter.convert(first);
        converter.convert(toneBuffer(stereo48k, 4800));
        EXPECT_EQ(captured.events(), logLine(text));
    }
}

// One buffer's share of output, rounded up, plus 64 frames; nothing outside 32 bits.
TEST(ChunkCapacity, OneBuffersShareOfOutputPlusSixtyFourFrames) {
    const double inf = std::numeric_limits<double>::infinity();
    const std::optional<std::uint32_t> none;
    struct Case {
        std::int64_t frames;
        double rate;
        std::optional<std::uint32_t> capacity;
    };
    const Case cases[] = {
        {1024, 48000, 406u},  // 341.33 -> 342 + 64
        {0, 48000, 64u},
        // Exactly 32000 output frames are owed, but 16000 / 30884 rounds up in
        // double and the product lands just above 32000: the ratio-first order
        // gives one frame more than 16000 x 61768 / 30884 would.
        {61768, 30884, 32001u + 64u},
        {1024, 0, none},
        {1024, std::numeric_limits<double>::quiet_NaN(), none},
        {1024, inf, 64u},  // no output owed at an infinite rate
        {1024, 1e-300, none},
        {-1, 48000, none},
        // Right at the edge: 2^32 - 65 + 64 fits, 2^32 - 64 would not.
        {4294967231, 16000, 4294967295u},
        {4294967232, 16000, none},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(chunkFrameCapacity(c.frames, c.rate), c.capacity) << c.frames << " at " << c.rate;
    }
}

TEST(PCMConverterChunks, HoldTwoBytesPerFrameAndAtMostTheBuffersCapacity) {
    CapturedEvents captured;
    PCMConverter converter;
    std::size_t largest = 0, total = 0;
    for (int i = 0; i < 200; ++i) {
        const auto chunk = converter.convert(toneBuffer(stereo48k, 1024));
        if (!chunk)
            continue;
        ASSERT_FALSE(chunk->empty());
        ASSERT_EQ(chunk->size() % 2, 0u);
        largest = std::max(largest, chunk->size() / 2);
        total += chunk->size() / 2;
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
        expectConvertsAsFresh(converter, after);
    }
}

// Whatever a capture hands over, the answer is nothing and the converter carries on with the next
// good buffer as if the bad ones had not been there.
TEST(PCMConverterBadInput, UnusableBuffersGiveNothingAndLeaveTheStreamAlone) {
    std::vector<FakeSampleBuffer> bad;
    bad.push_back(toneBuffer(stereo48k, 1024));
    bad.back().setHasFormatDescription(false);
    bad.emplace_back(std::nullopt, 1024, std::vector<std::vector<std::byte>>{});
    // Frame counts beyond what the buffer holds or 32 bits, or (the largest
    // 32-bit count) beyond any memory.
    constexpr std::int64_t int32Max = std::numeric_limits<std::int32_t>::max();
    for (const std::int64_t frames : {std::int64_t{1025}, std::int64_t{-1}, int32Max, int32Max + 1,
                                      std::numeric_limits<std::int64_t>::min()}) {
        bad.push_back(toneBuffer(stereo48k, 1024));
        bad.back().setNumSamples(frames);
    }
    CapturedEvents captured;
    PCMConverter converter;
    for (const auto& buffer : bad)
        EXPECT_EQ(converter.convert(buffer), std::nullopt);
    // Only the first buffer with a usable format is announced.
    EXPECT_EQ(captured.events(), logLine("Input audio: 48000.0 Hz, 2 ch, 1"));
    expectConvertsAsFresh(converter, stereo48k);
}

}  // namespace
}  // namespace tallwick
