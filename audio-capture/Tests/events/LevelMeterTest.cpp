#include "events/LevelMeter.h"

#include <gtest/gtest.h>

#include <chrono>
#include <vector>

#include "support/CapturedEvents.h"

namespace tallwick {
namespace {

using namespace std::chrono_literals;
using testing::CapturedEvents;

std::vector<std::uint8_t> chunkOf(std::initializer_list<int> samples) {
    std::vector<std::uint8_t> bytes;
    for (int s : samples) {
        const auto u = static_cast<std::uint16_t>(static_cast<std::int16_t>(s));
        bytes.push_back(static_cast<std::uint8_t>(u & 0xFF));
        bytes.push_back(static_cast<std::uint8_t>(u >> 8));
    }
    return bytes;
}

std::vector<std::uint8_t> repeated(int sample, std::size_t count) {
    std::vector<std::uint8_t> bytes;
    for (std::size_t i = 0; i < count; ++i) {
        const auto more = chunkOf({sample});
        bytes.insert(bytes.end(), more.begin(), more.end());
    }
    return bytes;
}

std::string levelText(const std::vector<std::uint8_t>& chunk) {
    return LevelMeter::formatLevel(LevelMeter::levelOf(chunk));
}

TEST(LevelValue, WorkedValues) {
    EXPECT_EQ(levelText(repeated(0, 320)), "0.0000");
    EXPECT_EQ(levelText(chunkOf({3000, -3000, 3000, -3000})), "0.5000");
    EXPECT_EQ(levelText(repeated(-600, 512)), "0.1000");
    EXPECT_EQ(levelText(chunkOf({1000})), "0.1667");
    EXPECT_EQ(levelText(repeated(6000, 10)), "1.0000");
    EXPECT_EQ(levelText(repeated(32767, 10)), "1.0000");
    EXPECT_EQ(levelText(repeated(-32768, 10)), "1.0000");
}

TEST(LevelValue, ReadsLittleEndianSamplesAndIgnoresAnOddByte) {
    auto chunk = chunkOf({1000});
    chunk.push_back(0x7F);  // a trailing odd byte is not a sample
    EXPECT_EQ(levelText(chunk), "0.1667");
    EXPECT_EQ(levelText({0xE8, 0x03}), "0.1667");  // 1000 = 0x03E8
}

TEST(LevelValue, SumsInSinglePrecisionInSampleOrder) {
    // 2^24 + 1 is not a float: a float sum of 16777216 ones then a 1 stays at
    // 2^24, a double sum does not. 4096² = 2^24 exactly.
    auto chunk = chunkOf({4096});
    const auto ones = repeated(1, 3);
    chunk.insert(chunk.end(), ones.begin(), ones.end());
    // float: (2^24 + 1 + 1 + 1) rounds at every step back to 2^24; /4, sqrt = 2048.
    EXPECT_EQ(LevelMeter::levelOf(chunk), 2048.0f / 6000.0f);
}

struct FakeClock {
    LevelMeter::Instant now{};
    LevelMeter::Clock clock() {
        return [this] { return now; };
    }
};

class LevelThrottle : public ::testing::Test {
protected:
    // Feeds one loud chunk at each offset from the start; returns which emitted.
    std::vector<bool> feed(std::initializer_list<std::chrono::nanoseconds> offsets,
                           const std::vector<std::uint8_t>& chunk = repeated(600, 4)) {
        std::vector<bool> emitted;
        for (const auto offset : offsets) {
            CapturedEvents captured;
            clock.now = LevelMeter::Instant{} + 1h + offset;
            meter.emitLevel(chunk);
            emitted.push_back(!captured.lines().empty());
        }
        return emitted;
    }
    FakeClock clock;
    LevelMeter meter{clock.clock()};
};

TEST_F(LevelThrottle, TheFirstChunkAlwaysPasses) { EXPECT_EQ(feed({0ms}), std::vector{true}); }

TEST_F(LevelThrottle, PassesOnlyMoreThanSeventyMillisecondsLater) {
    EXPECT_EQ(feed({0ms, 50ms, 70ms, 71ms}), (std::vector{true, false, false, true}));
    EXPECT_EQ(feed({71ms + 70ms + 1ns}), std::vector{true});
}

TEST_F(LevelThrottle, AThrottledChunkDoesNotRestartTheInterval) {
    EXPECT_EQ(feed({0ms, 50ms, 100ms, 150ms, 200ms, 250ms}),
              (std::vector{true, false, true, false, true, false}));
}

TEST_F(LevelThrottle, ShortChunksEmitNothingButRestartTheInterval) {
    EXPECT_EQ(feed({0ms}, {}), std::vector{false});
    EXPECT_EQ(feed({50ms}), std::vector{false});
    EXPECT_EQ(feed({80ms}, {0x10}), std::vector{false});
    EXPECT_EQ(feed({140ms}), std::vector{false});  // 60 ms after the 1-byte chunk
    EXPECT_EQ(feed({300ms}, {0xE8, 0x03, 0xFF}), std::vector{true});
}

TEST_F(LevelThrottle, EmitsALevelEventWithOnlyTypeAndMessage) {
    CapturedEvents captured;
    meter.emitLevel(chunkOf({3000, -3000}));
    EXPECT_EQ(captured.bytes(), "{\"type\":\"level\",\"message\":\"0.5000\"}\n");
}

TEST(LevelMeterClock, TheProcessMeterRunsOnAMonotonicClock) {
    // A wall clock set back by an hour would freeze the meter for that hour.
    static_assert(std::is_same_v<LevelMeter::Instant::clock, std::chrono::steady_clock>);
    static_assert(std::chrono::steady_clock::is_steady);
    CapturedEvents captured;
    emitLevel(chunkOf({600}));
    EXPECT_EQ(captured.bytes(), "{\"type\":\"level\",\"message\":\"0.1000\"}\n");
}

}  // namespace
}  // namespace tallwick
