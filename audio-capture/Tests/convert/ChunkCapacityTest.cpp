#include "convert/ChunkCapacity.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace tallwick {
namespace {

TEST(ChunkCapacity, OneBuffersShareOfOutputPlusSixtyFourFrames) {
    EXPECT_EQ(chunkFrameCapacity(1024, 48000), 406u);  // 341.33 -> 342 + 64
    EXPECT_EQ(chunkFrameCapacity(960, 48000), 384u);
    EXPECT_EQ(chunkFrameCapacity(1024, 44100), 436u);
    EXPECT_EQ(chunkFrameCapacity(1024, 16000), 1088u);
    EXPECT_EQ(chunkFrameCapacity(1, 96000), 65u);
    EXPECT_EQ(chunkFrameCapacity(4096, 8000), 8256u);
    EXPECT_EQ(chunkFrameCapacity(0, 48000), 64u);
}

TEST(ChunkCapacity, DividesBeforeMultiplying) {
    // Exactly 32000 output frames are owed, but 16000 / 30884 rounds up in
    // double and the product lands just above 32000: the ratio-first order
    // gives one frame more than 16000 x 61768 / 30884 would.
    EXPECT_EQ(chunkFrameCapacity(61768, 30884), 32001u + 64u);
}

TEST(ChunkCapacity, NothingOutsideThirtyTwoBits) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    EXPECT_EQ(chunkFrameCapacity(1024, 0), std::nullopt);
    EXPECT_EQ(chunkFrameCapacity(1024, -48000), std::nullopt);
    EXPECT_EQ(chunkFrameCapacity(1024, nan), std::nullopt);
    EXPECT_EQ(chunkFrameCapacity(1024, inf), 64u);  // no output owed at an infinite rate
    EXPECT_EQ(chunkFrameCapacity(1024, 1e-300), std::nullopt);
    EXPECT_EQ(chunkFrameCapacity(-1, 48000), std::nullopt);
    EXPECT_EQ(chunkFrameCapacity(0, 0), std::nullopt);  // 0 x inf is NaN
    // The largest count a signed 32-bit frame count allows, at the lowest rate:
    // 2^32 - 2 output frames would wrap after adding 64.
    EXPECT_EQ(chunkFrameCapacity(std::numeric_limits<std::int32_t>::max(), 8000), std::nullopt);
    // Right at the edge: 2^32 - 65 + 64 fits, 2^32 - 64 would not.
    EXPECT_EQ(chunkFrameCapacity(4294967231, 16000), 4294967295u);
    EXPECT_EQ(chunkFrameCapacity(4294967232, 16000), std::nullopt);
}

}  // namespace
}  // namespace tallwick
