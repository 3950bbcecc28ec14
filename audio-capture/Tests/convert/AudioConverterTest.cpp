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

TEST(AudioConverterMake, TakesEveryCommonLayoutWithinTheRateRangeAndNothingElse) {
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
    const AudioFormat stereo48k(CommonFormat::float32, 48000, 2, true);
    const std::pair<AudioFormat, AudioFormat> refused[] = {
        // Only Output PCM comes out.
        {stereo48k, AudioFormat(CommonFormat::float32, 16000, 1, true)},
        {stereo48k, AudioFormat(CommonFormat::int16, 16000, 2, true)},
        {stereo48k, AudioFormat(CommonFormat::int16, 44100, 1, true)},
        // Sample layouts without a common format.
        {described(SampleType::signedInteger, 8), output},
        {described(SampleType::signedInteger, 24), output},
        {described(SampleType::floatingPoint, 16), output},
        {described(SampleType::floatingPoint, 32, true), output},
        // Rates outside 8 kHz..384 kHz.
        {AudioFormat(CommonFormat::float32, 7999.0, 1, true), output},
        {AudioFormat(CommonFormat::float32, 384001.0, 1, true), output},
        {AudioFormat(CommonFormat::float32, 1e-300, 1, true), output},
    };
    for (std::size_t i = 0; i < std::size(refused); ++i) {
        EXPECT_EQ(AudioConverter::make(refused[i].first, refused[i].second), nullptr) << "case " << i;
    }
}

TEST(AudioConverterPull, ABufferOfAnotherFormatIsAnErrorAndLosesNothingElse) {
    const AudioFormat format(CommonFormat::float32, 48000, 1, true);
    const auto signal = tone(300, 0.5, 48000, 9600);
    const auto first = pcmBufferOf(format, testing::segment(signal, 0, 4800));
    const auto second = pcmBufferOf(format, testing::segment(signal, 4800, 4800));
    const auto stranger =
        pcmBufferOf(AudioFormat(CommonFormat::float32, 44100, 1, true), tone(300, 0.5, 44100, 4410));

    auto converter = AudioConverter::make(format, output);
    int calls = 0;
    const InputBlock firstThenStranger = [&](std::uint32_t, InputStatus& status) {
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

TEST(AudioConverterPull, RefusesBuffersThatDoNotHoldTheirFramesAndCarriesOn) {
    const AudioFormat format(CommonFormat::int16, 48000, 2, false);
    auto converter = AudioConverter::make(format, output);
    const auto convertFailing = [&](const InputBlock& input, PCMBuffer& out) {
        std::optional<PlatformError> error;
        EXPECT_EQ(converter->convert(out, error, input), ConverterOutputStatus::error);
        EXPECT_TRUE(error.has_value());
    };
    const auto pcmOut = PCMBuffer::make(output, 1000);
    std::vector<std::unique_ptr<PCMBuffer>> broken;
    for (int i = 0; i < 4; ++i) broken.push_back(pcmBufferOf(format, tone(300, 0.5, 48000, 960)));
    broken[0]->mutableAudioBufferList()[1].dataByteSize = 959 * 2;  // a region too short
    broken[1]->mutableAudioBufferList().pop_back();                 // a region missing
    broken[2]->mutableAudioBufferList()[0].data = nullptr;          // no storage
    for (int i = 0; i < 3; ++i) convertFailing(oneShotInput(*broken[i]), *pcmOut);
    convertFailing(
        [](std::uint32_t, InputStatus& status) {
            status = InputStatus::haveData;
            return static_cast<const PCMBuffer*>(nullptr);
        },
        *pcmOut);
    const auto floatOut = PCMBuffer::make(AudioFormat(CommonFormat::float32, 16000, 1, true), 400);
    convertFailing(oneShotInput(*broken[3]), *floatOut);

    // Still usable: a good buffer converts as if it came first.
    const auto good = pcmBufferOf(format, tone(300, 0.5, 48000, 9600));
    auto reference = AudioConverter::make(format, output);
    EXPECT_EQ(convertOnce(*converter, good.get(), 4000), convertOnce(*reference, good.get(), 4000));
}

// Capture can hand over anything: silence for NaN, a clip for infinities and
// absurd values, and the stream recovers once they have passed the filter.
TEST(AudioConverterSamples, NonFiniteAndHugeSamplesNeitherCrashNorPoisonTheStream) {
    const double inf = std::numeric_limits<double>::infinity();
    const double hostile[] = {std::nan(""), inf, -inf, 1e300, -1e38, std::nan("")};
    for (const auto common : {CommonFormat::float32, CommonFormat::float64}) {
        const AudioFormat format(common, 48000, 2, true);
        auto signal = tone(500, 0.5, 48000, 48000);
        auto nanOnly = signal;
        auto zeroed = signal;
        const auto clean = signal;
        for (std::size_t i = 0; i < std::size(hostile); ++i) signal[4800 + 7 * i] = hostile[i];
        for (std::size_t i = 1000; i < 1100; ++i) {
            nanOnly[i] = std::nan("");
            zeroed[i] = 0;
        }
        const auto convert = [&](const std::vector<double>& samples) {
            auto converter = AudioConverter::make(format, output);
            const auto input = pcmBufferOf(format, samples);
            return convertOnce(*converter, input.get(), 20000);
        };
        EXPECT_EQ(convert(nanOnly), convert(zeroed));
        const auto got = convert(signal);
        const auto expected = convert(clean);
        ASSERT_EQ(got.size(), expected.size());
        // 0.1 s to 0.3 s is before the burst and well after it.
        for (std::size_t i = 0; i < got.size(); ++i) {
            if (i < 1500 || i > 4800) {
                ASSERT_NEAR(got[i], expected[i], 1) << "at " << i;
            }
        }
    }
}

}  // namespace
}  // namespace tallwick
