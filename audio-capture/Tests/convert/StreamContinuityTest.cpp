// Long streams in buffers of any size: every input frame is accounted for, and
// no output frame is lost or repeated at a buffer boundary. Each buffer arrives
// with a format object of its own; an equal one must keep the converter, whose
// fresh filter would release nothing for the first 1024 frames at 48 kHz.
#include <gtest/gtest.h>

#include <random>

#include "ConvertTestSupport.h"
#include "support/CapturedEvents.h"

namespace tallwick {
namespace {

using testing::convertInBuffers;

std::vector<std::int16_t> prefix(const std::vector<std::int16_t>& samples, std::size_t count) {
    return {samples.begin(), samples.begin() + static_cast<std::ptrdiff_t>(count)};
}

class StreamContinuity : public ::testing::TestWithParam<double> {};

TEST_P(StreamContinuity, TenSecondsInRandomBuffersMatchOneWholeConversion) {
    testing::CapturedEvents quiet;
    const double rate = GetParam();
    const auto frames = static_cast<std::size_t>(rate * 10);
    // Music-like: a few tones and some noise, different at every rate.
    std::mt19937 random(7);
    std::normal_distribution<double> noise(0, 0.05);
    auto signal = testing::tone(220, 0.3, rate, frames);
    const auto second = testing::tone(1733, 0.2, rate, frames, 0.5);
    for (std::size_t i = 0; i < frames; ++i)
        signal[i] += second[i] + noise(random);
    const AudioFormat format(CommonFormat::float32, rate, 2, true);

    PCMConverter whole;
    const auto reference = convertInBuffers(whole, format, signal, frames);
    // All that is owed, less what the resampler still holds (its delay).
    const double owed = static_cast<double>(frames) * 16000 / rate;
    EXPECT_LE(static_cast<double>(reference.size()), owed);
    EXPECT_GE(static_cast<double>(reference.size()), owed - 0.15 * 16000);

    PCMConverter inPieces;
    // A capture's buffer sizes: many ordinary ones, and single frames often.
    auto pieces = convertInBuffers(inPieces, format, signal, [&random] {
        return random() % 5 == 0 ? std::size_t{1}
                                 : std::uniform_int_distribution<std::size_t>(1, 4096)(random);
    });
    ASSERT_LE(pieces.size(), reference.size());
    EXPECT_EQ(pieces, prefix(reference, pieces.size()));
    // What did not fit a small buffer's chunk is still queued, not dropped: a
    // little more input brings it out, sample for sample.
    EXPECT_LE(reference.size() - pieces.size(), 2048u);
    const auto rest =
        convertInBuffers(inPieces, format, std::vector<double>(frames / 4, 0.0), 1024);
    pieces.insert(pieces.end(), rest.begin(), rest.end());
    ASSERT_GE(pieces.size(), reference.size());
    EXPECT_EQ(prefix(pieces, reference.size()), reference);
}

INSTANTIATE_TEST_SUITE_P(Rates, StreamContinuity,
                         ::testing::Values(44100.0, 48000.0, 8000.0, 96000.0),
                         [](const auto& info) { return std::to_string(int(info.param)); });

}  // namespace
}  // namespace tallwick
