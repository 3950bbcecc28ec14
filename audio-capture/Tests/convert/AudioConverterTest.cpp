#include "convert/AudioConverter.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "ConvertTestSupport.h"
#include "convert/OneShotInput.h"

namespace tallwick {
namespace {

using testing::convertOnce;
using testing::pcmBufferOf;
using testing::tone;

const AudioFormat output = AudioFormat::outputPCM();

AudioFormat described(SampleType type, std::uint32_t bits, bool bigEndian = false) {
    StreamDescription d;
    d.sampleRate = 48000;
    d.channelsPerFrame = 2;
    d.sampleType = type;
    d.bitsPerChannel = bits;
    d.bigEndian = bigEndian;
    return *AudioFormat::fromStreamDescription(d);
}

TEST(AudioConverterMake, TakesEveryCommonLayoutWithinTheRateRange) {
    for (const auto format : {CommonFormat::float32, CommonFormat::float64, CommonFormat::int16,
                              CommonFormat::int32}) {
        for (const bool interleaved : {true, false}) {
            for (const std::uint32_t channels : {1u, 2u, 32u}) {
                for (const double rate : {8000.0, 22050.5, 48000.0, 384000.0}) {
                    EXPECT_NE(AudioConverter::make(AudioFormat(format, rate, channels, interleaved),
                                                   output),
                              nullptr)
                        << static_cast<int>(format) << " " << interleaved << " " << channels
                        << " " << rate;
                }
            }
        }
    }
}

TEST(AudioConverterMake, RefusesWhatItCannotConvert) {
    const AudioFormat stereo48k(CommonFormat::float32, 48000, 2, true);
    // Only Output PCM comes out.
    EXPECT_EQ(AudioConverter::make(stereo48k, AudioFormat(CommonFormat::float32, 16000, 1, true)),
              nullptr);
    EXPECT_EQ(AudioConverter::make(stereo48k, AudioFormat(CommonFormat::int16, 16000, 2, true)),
              nullptr);
    EXPECT_EQ(AudioConverter::make(stereo48k, AudioFormat(CommonFormat::int16, 44100, 1, true)),
              nullptr);
    // Sample layouts without a common format.
    EXPECT_EQ(AudioConverter::make(described(SampleType::signedInteger, 8), output), nullptr);
    EXPECT_EQ(AudioConverter::make(described(SampleType::signedInteger, 24), output), nullptr);
    EXPECT_EQ(AudioConverter::make(described(SampleType::floatingPoint, 16), output), nullptr);
    EXPECT_EQ(AudioConverter::make(described(SampleType::floatingPoint, 32, true), output),
              nullptr);
    EXPECT_NE(AudioConverter::make(described(SampleType::floatingPoint, 32), output), nullptr);
    // Rates outside 8 kHz..384 kHz.
    for (const double rate : {7999.0, 384001.0, 1e9, 1e-300}) {
        EXPECT_EQ(AudioConverter::make(AudioFormat(CommonFormat::float32, rate, 1, true), output),
                  nullptr)
            << rate;
    }
}

TEST(AudioConverterAtOutputRate, Int16MonoPassesUnchanged) {
    const AudioFormat format(CommonFormat::int16, 16000, 1, true);
    auto converter = AudioConverter::make(format, output);
    ASSERT_NE(converter, nullptr);
    std::vector<double> signal;
    for (int s = -32768; s < 32768; s += 7) signal.push_back(s / 32768.0);
    const auto input = pcmBufferOf(format, signal);
    const auto result = convertOnce(*converter, input.get(), input->frameLength() + 64);
    ASSERT_EQ(result.size(), signal.size());
    for (std::size_t i = 0; i < signal.size(); ++i) {
        ASSERT_EQ(result[i], std::lround(signal[i] * 32768)) << "at " << i;
    }
}

// The block is called until it has no data: everything it hands over in one
// call converts as one stream.
TEST(AudioConverterPull, TakesEveryBufferTheBlockHasInOneCall) {
    const AudioFormat format(CommonFormat::float32, 48000, 1, true);
    const auto signal = tone(440, 0.5, 48000, 3 * 4800);
    const std::vector<double> thirds[] = {
        {signal.begin(), signal.begin() + 4800},
        {signal.begin() + 4800, signal.begin() + 9600},
        {signal.begin() + 9600, signal.end()}};
    const std::unique_ptr<PCMBuffer> pieces[] = {pcmBufferOf(format, thirds[0]),
                                                 pcmBufferOf(format, thirds[1]),
                                                 pcmBufferOf(format, thirds[2])};
    auto converter = AudioConverter::make(format, output);
    std::size_t handedOver = 0;
    const InputBlock block = [&](std::uint32_t, InputStatus& status) -> const PCMBuffer* {
        if (handedOver == 3) {
            status = InputStatus::noDataNow;
            return nullptr;
        }
        status = InputStatus::haveData;
        return pieces[handedOver++].get();
    };
    const auto out = PCMBuffer::make(output, 8000);
    std::optional<PlatformError> error;
    converter->convert(*out, error, block);
    EXPECT_EQ(handedOver, 3u);

    auto reference = AudioConverter::make(format, output);
    const auto whole = pcmBufferOf(format, signal);
    const auto expected = convertOnce(*reference, whole.get(), 8000);
    ASSERT_GT(expected.size(), 3000u);
    const std::int16_t* got = out->int16ChannelData()[0];
    EXPECT_EQ(std::vector<std::int16_t>(got, got + out->frameLength()), expected);
}

TEST(AudioConverterPull, WhatDoesNotFitComesOutInLaterCalls) {
    const AudioFormat format(CommonFormat::float32, 48000, 1, true);
    const auto input = pcmBufferOf(format, tone(1000, 0.5, 48000, 48000));

    auto reference = AudioConverter::make(format, output);
    const auto expected = convertOnce(*reference, input.get(), 20000);

    auto converter = AudioConverter::make(format, output);
    auto got = convertOnce(*converter, input.get(), 37);
    EXPECT_EQ(got.size(), 37u);
    while (got.size() < expected.size()) {
        const auto more = convertOnce(*converter, nullptr, 37);
        ASSERT_FALSE(more.empty()) << "queued samples went missing after " << got.size();
        got.insert(got.end(), more.begin(), more.end());
    }
    EXPECT_EQ(got, expected);
    EXPECT_TRUE(convertOnce(*converter, nullptr, 37).empty());
}

TEST(AudioConverterPull, ABufferOfAnotherFormatIsAnErrorAndLosesNothingElse) {
    const AudioFormat format(CommonFormat::float32, 48000, 1, true);
    const AudioFormat other(CommonFormat::float32, 44100, 1, true);
    const auto signal = tone(300, 0.5, 48000, 9600);
    const auto first = pcmBufferOf(format, std::vector<double>(signal.begin(), signal.begin() + 4800));
    const auto second = pcmBufferOf(format, std::vector<double>(signal.begin() + 4800, signal.end()));
    const auto stranger = pcmBufferOf(other, tone(300, 0.5, 44100, 4410));

    auto converter = AudioConverter::make(format, output);
    int calls = 0;
    const InputBlock firstThenStranger = [&](std::uint32_t,
                                             InputStatus& status) -> const PCMBuffer* {
        status = InputStatus::haveData;
        return ++calls == 1 ? first.get() : stranger.get();
    };
    const auto out = PCMBuffer::make(output, 8000);
    std::optional<PlatformError> error;
    EXPECT_EQ(converter->convert(*out, error, firstThenStranger), ConverterOutputStatus::error);
    EXPECT_TRUE(error.has_value());
    EXPECT_EQ(out->frameLength(), 0u);

    // The first buffer's output was kept; the stranger was not mixed in.
    const auto got = convertOnce(*converter, second.get(), 8000);
    auto reference = AudioConverter::make(format, output);
    const auto whole = pcmBufferOf(format, signal);
    EXPECT_EQ(got, convertOnce(*reference, whole.get(), 8000));
}

TEST(AudioConverterPull, RefusesBuffersThatDoNotHoldTheirFrames) {
    const AudioFormat format(CommonFormat::int16, 48000, 2, false);
    auto converter = AudioConverter::make(format, output);
    const auto convertFailing = [&](const PCMBuffer& input) {
        const auto out = PCMBuffer::make(output, 1000);
        std::optional<PlatformError> error;
        EXPECT_EQ(converter->convert(*out, error, oneShotInput(input)),
                  ConverterOutputStatus::error);
        EXPECT_TRUE(error.has_value());
    };

    auto shortRegion = pcmBufferOf(format, tone(300, 0.5, 48000, 960));
    shortRegion->mutableAudioBufferList()[1].dataByteSize = 959 * 2;
    convertFailing(*shortRegion);

    auto missingRegion = pcmBufferOf(format, tone(300, 0.5, 48000, 960));
    missingRegion->mutableAudioBufferList().pop_back();
    convertFailing(*missingRegion);

    auto noStorage = pcmBufferOf(format, tone(300, 0.5, 48000, 960));
    noStorage->mutableAudioBufferList()[0].data = nullptr;
    convertFailing(*noStorage);

    const InputBlock haveDataButNoBuffer = [](std::uint32_t, InputStatus& status) {
        status = InputStatus::haveData;
        return static_cast<const PCMBuffer*>(nullptr);
    };
    const auto out = PCMBuffer::make(output, 1000);
    std::optional<PlatformError> error;
    EXPECT_EQ(converter->convert(*out, error, haveDataButNoBuffer), ConverterOutputStatus::error);

    // Still usable: a good buffer converts as if it came first.
    const auto good = pcmBufferOf(format, tone(300, 0.5, 48000, 9600));
    auto reference = AudioConverter::make(format, output);
    EXPECT_EQ(convertOnce(*converter, good.get(), 4000), convertOnce(*reference, good.get(), 4000));
}

TEST(AudioConverterPull, RefusesAnOutputBufferThatIsNotOutputPCM) {
    const AudioFormat format(CommonFormat::float32, 48000, 1, true);
    auto converter = AudioConverter::make(format, output);
    const auto input = pcmBufferOf(format, tone(300, 0.5, 48000, 960));
    const auto floatOut = PCMBuffer::make(AudioFormat(CommonFormat::float32, 16000, 1, true), 400);
    std::optional<PlatformError> error;
    EXPECT_EQ(converter->convert(*floatOut, error, oneShotInput(*input)),
              ConverterOutputStatus::error);
    EXPECT_TRUE(error.has_value());
}

// Capture can hand over anything: silence for NaN, a clip for infinities and
// absurd values, and the stream recovers once they have passed the filter.
TEST(AudioConverterSamples, NonFiniteAndHugeSamplesNeitherCrashNorPoisonTheStream) {
    for (const auto common : {CommonFormat::float32, CommonFormat::float64}) {
        const AudioFormat format(common, 48000, 2, true);
        auto signal = tone(500, 0.5, 48000, 48000);
        auto clean = signal;
        const double inf = std::numeric_limits<double>::infinity();
        const double hostile[] = {std::nan(""), inf, -inf, 1e300, -1e38, std::nan("")};
        for (std::size_t i = 0; i < std::size(hostile); ++i) {
            signal[4800 + 7 * i] = hostile[i];
        }
        auto converter = AudioConverter::make(format, output);
        auto reference = AudioConverter::make(format, output);
        const auto input = pcmBufferOf(format, signal);
        const auto cleanInput = pcmBufferOf(format, clean);
        const auto got = convertOnce(*converter, input.get(), 20000);
        const auto expected = convertOnce(*reference, cleanInput.get(), 20000);
        ASSERT_EQ(got.size(), expected.size());
        // 0.1 s to 0.3 s is before the burst and well after it.
        for (std::size_t i = 0; i < got.size(); ++i) {
            if (i < 1500 || i > 4800) {
                ASSERT_NEAR(got[i], expected[i], 1) << "at " << i;
            }
        }
    }
}

TEST(AudioConverterSamples, NanCountsAsSilence) {
    const AudioFormat format(CommonFormat::float32, 44100, 1, true);
    auto signal = tone(500, 0.5, 44100, 44100);
    auto zeroed = signal;
    for (std::size_t i = 1000; i < 1100; ++i) {
        signal[i] = std::nan("");
        zeroed[i] = 0;
    }
    auto converter = AudioConverter::make(format, output);
    auto reference = AudioConverter::make(format, output);
    const auto nanInput = pcmBufferOf(format, signal);
    const auto zeroInput = pcmBufferOf(format, zeroed);
    EXPECT_EQ(convertOnce(*converter, nanInput.get(), 20000),
              convertOnce(*reference, zeroInput.get(), 20000));
}

}  // namespace
}  // namespace tallwick
