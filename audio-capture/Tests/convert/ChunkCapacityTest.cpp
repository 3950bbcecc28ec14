#include "convert/ChunkCapacity.h"

#include <gtest/gtest.h>

#include <limits>

namespace tallwick {
namespace {

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
        {1024, 44100, 436u},
        {1, 96000, 65u},
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
        // The largest signed 32-bit count at the lowest rate: 2^32 - 2 output
        // frames would wrap after adding 64.
        {std::numeric_limits<std::int32_t>::max(), 8000, none},
        // Right at the edge: 2^32 - 65 + 64 fits, 2^32 - 64 would not.
        {4294967231, 16000, 4294967295u},
        {4294967232, 16000, none},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(chunkFrameCapacity(c.frames, c.rate), c.capacity) << c.frames << " at " << c.rate;
    }
}

}  // namespace
}  // namespace tallwick
