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

TEST(LevelValue, WorkedValues) {
    auto oddByte = chunkOf({1000});
    oddByte.push_back(0x7F);  // a trailing odd byte is not a sample
    const std::pair<std::vector<std::uint8_t>, std::string> cases[] = {
        {repeated(0, 320), "0.0000"},
        {chunkOf({3000, -3000, 3000, -3000}), "0.5000"},
        {chunkOf({1000}), "0.1667"},
        {oddByte, "0.1667"},
        {repeated(6000, 10), "1.0000"},
        {repeated(32767, 10), "1.0000"},
        {repeated(-32768, 10), "1.0000"},
    };
    for (const auto& [chunk, text] : cases) {
        EXPECT_EQ(LevelMeter::formatLevel(LevelMeter::levelOf(chunk)), text) << text;
    }
}

TEST(LevelValue, SumsInSinglePrecisionInSampleOrder) {
    // 2^24 + 1 is not a float: a float sum of 4096² = 2^24 and three ones stays
    // at 2^24, a double sum does not; /4, sqrt = 2048.
    auto chunk = chunkOf({4096});
    const auto ones = repeated(1, 3);
    chunk.insert(chunk.end(), ones.begin(), ones.end());
    EXPECT_EQ(LevelMeter::levelOf(chunk), 2048.0f / 6000.0f);
}

struct Step {
    std::chrono::nanoseconds at;
    std::vector<std::uint8_t> chunk;
    bool emitted;
};

// Passes more than 70 ms after the last chunk that passed or was too short to
// measure; a throttled chunk does not restart the interval.
TEST(LevelThrottle, PassesOnlyMoreThanSeventyMillisecondsAfterTheLastStart) {
    const auto loud = repeated(600, 4);
    const std::vector<Step> scenarios[] = {
        {{0ms, loud, true}, {50ms, loud, false}, {70ms, loud, false}, {71ms, loud, true},
         {141ms + 1ns, loud, true}},
        {{0ms, loud, true}, {50ms, loud, false}, {100ms, loud, true}, {150ms, loud, false},
         {200ms, loud, true}, {250ms, loud, false}},
        {{0ms, {}, false}, {50ms, loud, false}, {80ms, {0x10}, false}, {140ms, loud, false},
         {300ms, {0xE8, 0x03, 0xFF}, true}},
    };
    for (const auto& steps : scenarios) {
        LevelMeter::Instant now{};
        LevelMeter meter([&now] { return now; });
        for (const auto& step : steps) {
            CapturedEvents captured;
            now = LevelMeter::Instant{} + 1h + step.at;
            meter.emitLevel(step.chunk);
            EXPECT_EQ(!captured.bytes().empty(), step.emitted) << step.at.count() << " ns";
        }
    }
}

}  // namespace
}  // namespace tallwick
