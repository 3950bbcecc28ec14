#include "events/LevelMeter.h"

#include <gtest/gtest.h>

#include <chrono>
#include <vector>

#include "support/CapturedEvents.h"

namespace tallwick {
namespace {

using namespace std::chrono_literals;

std::vector<std::uint8_t> pcm(const std::vector<int>& samples) {
    std::vector<std::uint8_t> bytes;
    for (int s : samples) {
        const auto u = static_cast<std::uint16_t>(static_cast<std::int16_t>(s));
        bytes.insert(bytes.end(),
                     {static_cast<std::uint8_t>(u & 0xFF), static_cast<std::uint8_t>(u >> 8)});
    }
    return bytes;
}

TEST(LevelValue, WorkedValues) {
    auto oddByte = pcm({1000});
    oddByte.push_back(0x7F);  // a trailing odd byte is not a sample
    const std::pair<std::vector<std::uint8_t>, std::string> cases[] = {
        {pcm(std::vector(320, 0)), "0.0000"},
        {pcm({3000, -3000, 3000, -3000}), "0.5000"},
        {pcm({1000}), "0.1667"},
        {oddByte, "0.1667"},
        {pcm(std::vector(10, 6000)), "1.0000"},
        {pcm(std::vector(10, -32768)), "1.0000"},
    };
    for (const auto& [chunk, text] : cases) {
        EXPECT_EQ(LevelMeter::formatLevel(LevelMeter::levelOf(chunk)), text) << text;
    }
    // 2^24 + 1 is not a float: a float sum of 4096² = 2^24 and three ones stays
    // at 2^24, a double sum does not; /4, sqrt = 2048.
    EXPECT_EQ(LevelMeter::levelOf(pcm({4096, 1, 1, 1})), 2048.0f / 6000.0f);
}

struct Step {
    std::chrono::nanoseconds at;
    std::vector<std::uint8_t> chunk;
    bool emitted;
};

// Passes more than 70 ms after the last chunk that passed or was too short to
// measure; a throttled chunk does not restart the interval.
TEST(LevelThrottle, PassesOnlyMoreThanSeventyMillisecondsAfterTheLastStart) {
    const auto loud = pcm({600, 600, 600, 600});
    const std::vector<Step> scenarios[] = {
        {{0ms, loud, true},
         {50ms, loud, false},
         {70ms, loud, false},
         {71ms, loud, true},
         {141ms + 1ns, loud, true}},
        {{0ms, {}, false},
         {50ms, loud, false},
         {80ms, {0x10}, false},
         {140ms, loud, false},
         {300ms, {0xE8, 0x03, 0xFF}, true}},
    };
    for (const auto& steps : scenarios) {
        LevelMeter::Instant now{};
        LevelMeter meter([&now] { return now; });
        for (const auto& step : steps) {
            testing::CapturedEvents captured;
            now = LevelMeter::Instant{} + 1h + step.at;
            meter.emitLevel(step.chunk);
            EXPECT_EQ(!captured.bytes().empty(), step.emitted) << step.at.count() << " ns";
        }
    }
}

}  // namespace
}  // namespace tallwick
