#include "convert/FloatToInt16.h"

#include <gtest/gtest.h>

#include <limits>

namespace tallwick {
namespace {

constexpr float step = 1.0f / 32768.0f;

// Halfway rounds to even, so a +-0.5 step hum does not become a DC offset;
// both ends clip; NaN is silence.
TEST(FloatToInt16, RoundsToTheNearestStepAndClips) {
    const float inf = std::numeric_limits<float>::infinity();
    const std::pair<float, std::int16_t> cases[] = {
        {0.25f, 8192},        {100.4f * step, 100},      {-100.6f * step, -101},
        {0.5f * step, 0},     {1.5f * step, 2},          {-2.5f * step, -2},
        {1.0f, 32767},        {32767.49f * step, 32767}, {-1.00001f, -32768},
        {inf, 32767},         {-inf, -32768},            {std::numeric_limits<float>::quiet_NaN(), 0},
    };
    for (const auto& [sample, expected] : cases) {
        EXPECT_EQ(toInt16(sample), expected) << sample;
    }
}

}  // namespace
}  // namespace tallwick
