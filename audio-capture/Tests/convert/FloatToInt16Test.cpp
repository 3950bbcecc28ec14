#include "convert/FloatToInt16.h"

#include <gtest/gtest.h>

#include <limits>

namespace tallwick {
namespace {

constexpr float step = 1.0f / 32768.0f;

TEST(FloatToInt16, RoundsToTheNearestStep) {
    EXPECT_EQ(toInt16(0.25f), 8192);
    EXPECT_EQ(toInt16(-0.5f), -16384);
    EXPECT_EQ(toInt16(100.4f * step), 100);
    EXPECT_EQ(toInt16(100.6f * step), 101);
    EXPECT_EQ(toInt16(-100.6f * step), -101);
    EXPECT_EQ(toInt16(-1e-9f), 0);
    // Halfway rounds to even, so a +-0.5 step hum does not become a DC offset.
    EXPECT_EQ(toInt16(0.5f * step), 0);
    EXPECT_EQ(toInt16(1.5f * step), 2);
    EXPECT_EQ(toInt16(-2.5f * step), -2);
}

TEST(FloatToInt16, ClipsAtBothEnds) {
    EXPECT_EQ(toInt16(1.0f), 32767);
    EXPECT_EQ(toInt16(32766.6f * step), 32767);
    EXPECT_EQ(toInt16(32767.49f * step), 32767);
    EXPECT_EQ(toInt16(-1.0f), -32768);
    EXPECT_EQ(toInt16(-1.00001f), -32768);
    EXPECT_EQ(toInt16(1e30f), 32767);
    EXPECT_EQ(toInt16(-std::numeric_limits<float>::max()), -32768);
}

TEST(FloatToInt16, NonFiniteSamplesAreSilenceOrClipped) {
    EXPECT_EQ(toInt16(std::numeric_limits<float>::quiet_NaN()), 0);
    EXPECT_EQ(toInt16(-std::numeric_limits<float>::quiet_NaN()), 0);
    EXPECT_EQ(toInt16(std::numeric_limits<float>::infinity()), 32767);
    EXPECT_EQ(toInt16(-std::numeric_limits<float>::infinity()), -32768);
}

}  // namespace
}  // namespace tallwick
