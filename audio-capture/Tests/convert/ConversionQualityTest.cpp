// What a listener (and a speech recogniser) gets from the conversion: no
// aliasing, a flat passband, no audible noise or distortion, and a known delay.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <iostream>
#include <numbers>
#include <numeric>

#include "ConvertTestSupport.h"
#include "convert/FloatToInt16.h"
#include "convert/PCMConverter.h"
#include "support/CapturedEvents.h"

namespace tallwick {
namespace {

using testing::tone;

// The sinusoid at exactly `hz` in `samples`, found by a least-squares fit (no
// window limits how deep it can measure), amplitudes at full scale 1.0.
struct FittedTone {
    double amplitude;
    // Everything else (harmonics, noise, DC) relative to the tone, in dB: THD+N.
    double restDb;
};
FittedTone fitTone(const std::vector<double>& samples, double hz, double sampleRate) {
    // Normal equations of samples ~ a sin + b cos, solved by Cramer's rule.
    const double step = 2 * std::numbers::pi * hz / sampleRate;
    double ss = 0, sc = 0, cc = 0, vs = 0, vc = 0;
    for (std::size_t i = 0; i < samples.size(); ++i) {
        const double s = std::sin(step * static_cast<double>(i));
        const double c = std::cos(step * static_cast<double>(i));
        ss += s * s;
        sc += s * c;
        cc += c * c;
        vs += s * samples[i];
        vc += c * samples[i];
    }
    const double det = ss * cc - sc * sc;
    const double a = (vs * cc - vc * sc) / det;
    const double b = (vc * ss - vs * sc) / det;
    double residual = 0;
    for (std::size_t i = 0; i < samples.size(); ++i) {
        const double e = samples[i] - a * std::sin(step * static_cast<double>(i)) -
                         b * std::cos(step * static_cast<double>(i));
        residual += e * e;
    }
    const double tonePower = (a * a + b * b) / 2;
    return {std::sqrt(a * a + b * b),
            10 * std::log10(residual / static_cast<double>(samples.size()) / tonePower)};
}

constexpr std::size_t measuredLength = 32768;  // 2.05 s at 16 kHz
constexpr std::size_t settled = 4000;          // 0.25 s: the filter has filled

// A tone as a 48 kHz or 44.1 kHz capture delivers it (stereo float32 in
// 1024-frame buffers), converted: `length` frames at full scale 1.0 once the
// filter has filled.
std::vector<double> converted(double hz, double amplitude, double rate, std::size_t length) {
    testing::CapturedEvents quiet;
    PCMConverter converter;
    const auto frames =
        static_cast<std::size_t>(static_cast<double>(length + settled + 3200) * rate / 16000);
    const auto out =
        testing::convertInBuffers(converter, AudioFormat(CommonFormat::float32, rate, 2, true),
                                  tone(hz, amplitude, rate, frames), 1024);
    EXPECT_GE(out.size(), settled + length) << "the conversion produced too little output";
    std::vector<double> result(length, 0.0);
    for (std::size_t i = 0; i < length && settled + i < out.size(); ++i)
        result[i] = out[settled + i] / 32768.0;
    return result;
}

class ConversionQuality : public ::testing::TestWithParam<double> {};

// Anything folding back at -96 dBFS or more would round to a nonzero sample.
TEST_P(ConversionQuality, NothingAboveEightKilohertzFoldsBack) {
    const double rate = GetParam();
    for (const double hz : {8300.0, 9000.0, 12000.0, 16000.0, 21000.0}) {
        EXPECT_EQ(converted(hz, 1.0, rate, measuredLength),
                  std::vector<double>(measuredLength, 0.0))
            << hz << " Hz at " << rate;
    }
}

TEST_P(ConversionQuality, PassbandIsFlatFrom100HzTo7kHz) {
    const double rate = GetParam();
    double worst = 0;
    for (const double hz :
         {100.0, 250.0, 500.0, 1000.0, 2000.0, 3000.0, 4000.0, 5000.0, 6000.0, 6500.0, 7000.0}) {
        const double gain =
            20 * std::log10(fitTone(converted(hz, 0.5, rate, measuredLength), hz, 16000).amplitude /
                            0.5);
        EXPECT_NEAR(gain, 0, 0.1) << hz << " Hz at " << rate << " Hz";
        worst = std::max(worst, std::abs(gain));
    }
    std::cout << "[ measured ] " << rate << " Hz: passband deviation up to " << worst << " dB\n";
}

TEST_P(ConversionQuality, ToneAtMinusOneDbfsIsCleanTo90Db) {
    const double rate = GetParam();
    constexpr std::size_t length = 65536;
    const double amplitude = std::pow(10, -1 / 20.0);
    const double thdN = fitTone(converted(997, amplitude, rate, length), 997, 16000).restDb;
    EXPECT_LE(thdN, -90);
    std::cout << "[ measured ] " << rate << " Hz: THD+N of 997 Hz at -1 dBFS " << thdN
              << " dB (SNR " << -thdN << " dB)\n";
}

// The resampler keeps output positions aligned with the input (its filter delay
// is taken off the start of the stream) but holds output back until its filter
// and its block have the input they need: the latency from a captured frame to
// the chunk that carries it. Buffers of 32 frames keep the capture's own
// buffering out of the figure (it adds at most 0.7 ms).
TEST_P(ConversionQuality, ImpulsesLandOnTheirOwnTimeWithBoundedLatency) {
    const double rate = GetParam();
    testing::CapturedEvents quiet;
    const AudioFormat format(CommonFormat::float32, rate, 2, true);
    constexpr std::size_t bufferFrames = 32;
    // Positions that fall on whole output frames, spread over the resampler's
    // blocks (about 1500 input frames).
    const std::size_t stride = rate == 44100 ? 441 : 99;
    std::vector<double> latenciesMs;
    for (std::size_t position = 22050; position < 22050 + 32 * stride; position += stride) {
        PCMConverter converter;
        std::vector<std::int16_t> out;
        std::optional<std::size_t> arrivedAfter;
        const auto expectedAt = static_cast<std::size_t>(std::lround(position * 16000 / rate));
        for (std::size_t at = 0; at < 96000 && out.size() <= expectedAt + 64; at += bufferFrames) {
            std::vector<double> piece(bufferFrames, 0.0);
            if (position >= at && position < at + bufferFrames)
                piece[position - at] = 1.0;
            const auto more = testing::convertInBuffers(converter, format, piece, bufferFrames);
            out.insert(out.end(), more.begin(), more.end());
            if (!arrivedAfter && out.size() > expectedAt)
                arrivedAfter = at + bufferFrames;
        }
        ASSERT_TRUE(arrivedAfter.has_value());
        const auto peak = std::max_element(out.begin(), out.end()) - out.begin();
        EXPECT_EQ(static_cast<std::size_t>(peak), expectedAt) << "impulse at " << position;
        latenciesMs.push_back(static_cast<double>(*arrivedAfter - position) / rate * 1000);
    }
    const auto [least, most] = std::minmax_element(latenciesMs.begin(), latenciesMs.end());
    const double mean = std::accumulate(latenciesMs.begin(), latenciesMs.end(), 0.0) /
                        static_cast<double>(latenciesMs.size());
    EXPECT_LT(*most, 60);
    std::cout << "[ measured ] " << rate << " Hz: latency of a frame through the converter "
              << *least << ".." << *most << " ms, mean " << mean << " ms\n";
}

// What the sound server already delivers at 16 kHz mono passes sample for
// sample: no filter, no delay, nothing held back.
TEST(SameRateConversion, EverySampleIsRoundedAndClippedInPlace) {
    const auto signal = tone(997, 1.2, 16000, 3001);
    PCMConverter converter;
    const auto out = testing::convertInBuffers(
        converter, AudioFormat(CommonFormat::float32, 16000, 1, true), signal, 160);
    ASSERT_EQ(out.size(), signal.size());
    for (std::size_t i = 0; i < signal.size(); ++i) {
        ASSERT_EQ(out[i], toInt16(static_cast<float>(signal[i]))) << "sample " << i;
    }
}

INSTANTIATE_TEST_SUITE_P(CaptureRates, ConversionQuality, ::testing::Values(48000.0, 44100.0),
                         [](const auto& info) { return std::to_string(int(info.param)); });

}  // namespace
}  // namespace tallwick
