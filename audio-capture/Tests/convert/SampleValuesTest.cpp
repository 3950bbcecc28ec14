// What becomes of each sample: mixed down to mono as floats, then rounded to int16.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "ConvertTestSupport.h"
#include "convert/ChannelMixdown.h"
#include "convert/FloatToInt16.h"

namespace tallwick {
namespace {

constexpr float step = 1.0f / 32768.0f;

// Halfway rounds to even, so a +-0.5 step hum does not become a DC offset;
// both ends clip; NaN is silence.
TEST(FloatToInt16, RoundsToTheNearestStepAndClips) {
    const float inf = std::numeric_limits<float>::infinity();
    const std::pair<float, std::int16_t> cases[] = {
        {0.25f, 8192},          {100.4f * step, 100},
        {-100.6f * step, -101}, {0.5f * step, 0},
        {1.5f * step, 2},       {-2.5f * step, -2},
        {1.0f, 32767},          {32767.49f * step, 32767},
        {-1.00001f, -32768},    {inf, 32767},
        {-inf, -32768},         {std::numeric_limits<float>::quiet_NaN(), 0},
    };
    for (const auto& [sample, expected] : cases) {
        EXPECT_EQ(toInt16(sample), expected) << sample;
    }
}

TEST(ChannelMixdown, AveragesTheChannelsOfEverySampleTypeAtFullScaleOne) {
    // Float NaN is silence and float overs stop at 16 (integers cannot hold either).
    const double nan = std::nan("");
    const std::vector<std::vector<double>> channels = {{0.5, 1.0, -1.0, nan},
                                                       {0.25, 1.0, -1.0, -1e300},
                                                       {0.0, 1.0, -1.0, 0.0},
                                                       {-0.75, 1.0, 0.0, 0.0}};
    for (const auto common :
         {CommonFormat::int16, CommonFormat::int32, CommonFormat::float32, CommonFormat::float64}) {
        for (const bool interleaved : {true, false}) {
            const auto input =
                testing::pcmBufferOf(AudioFormat(common, 8000, 4, interleaved), channels);
            float mono[4];
            ASSERT_TRUE(mixDownToMono(*input, mono));
            const bool isFloat = common == CommonFormat::float32 || common == CommonFormat::float64;
            // int16 cannot hold +1.0: it clips to 32767 / 32768.
            const float one = common == CommonFormat::int16 ? 32767 / 32768.0f : 1.0f;
            const float expected[] = {0.0f, one, -0.75f, isFloat ? -4.0f : -0.25f};
            for (int i = 0; i < 4; ++i) {
                EXPECT_EQ(mono[i], expected[i]) << static_cast<int>(common) << " " << interleaved;
            }
        }
    }
}

}  // namespace
}  // namespace tallwick
