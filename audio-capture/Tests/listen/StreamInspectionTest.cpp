#include "StreamInspection.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "LevelTimeline.h"
#include "SilenceRuns.h"
#include "events/Base64.h"
#include "events/EventStream.h"

namespace tallwick::listen {
namespace {

using namespace std::chrono_literals;

std::vector<std::uint8_t> samples(std::size_t frames, std::int16_t value) {
    std::vector<std::uint8_t> pcm;
    for (std::size_t i = 0; i < frames; ++i) {
        pcm.push_back(static_cast<std::uint8_t>(value & 0xFF));
        pcm.push_back(static_cast<std::uint8_t>((value >> 8) & 0xFF));
    }
    return pcm;
}

std::string audioLine(const std::vector<std::uint8_t>& pcm) {
    return tallwick::formatEventLine("audio", tallwick::base64Encode(pcm), std::nullopt);
}

std::string levelLine(const char* value) {
    return tallwick::formatEventLine("level", std::nullopt, value);
}

TEST(SilenceRuns, FindsRunsOfZerosAcrossChunksWithExactBounds) {
    SilenceRuns silence;
    silence.add(samples(100, 5));
    silence.add(samples(1000, 0));
    silence.add(samples(600, 0));   // 1600 zeros in all: exactly 100 ms
    silence.add(samples(1, -1));
    silence.add(samples(1599, 0));  // one short of 100 ms
    silence.add(samples(1, 1));
    silence.add(samples(4000, 0));  // still open at the end
    silence.finish();
    ASSERT_EQ(silence.count(), 2u);
    EXPECT_EQ(silence.totalFrames(), 5600u);
    EXPECT_EQ(silence.first()[0].startFrame, 100u);
    EXPECT_EQ(silence.first()[0].frames, 1600u);
    EXPECT_EQ(silence.first()[1].startFrame, 100u + 1600 + 1 + 1599 + 1);
    EXPECT_EQ(silence.first()[1].frames, 4000u);
}

TEST(SilenceRuns, ALoneNonZeroByteBreaksARun) {
    SilenceRuns silence;
    auto pcm = samples(3200, 0);
    pcm[1601 * 2 + 1] = 0x01;  // sample 1601 is 256
    silence.add(pcm);
    silence.finish();
    ASSERT_EQ(silence.count(), 1u);
    EXPECT_EQ(silence.first()[0].frames, 1601u);
}

TEST(LevelTimeline, DrawsEachReadingUntilTheNextAcrossTheAudio) {
    LevelTimeline levels;
    levels.add(0, 0.0);
    levels.add(4000, 1.0);
    levels.add(8000, 0.3);
    // 16000 frames over 8 columns: 2000 frames a column.
    EXPECT_EQ(levels.sparkline(16000, 8), "▁▁██▃▃▃▃");
    EXPECT_DOUBLE_EQ(levels.peak(), 1.0);
}

TEST(LevelTimeline, LeavesGapsWhereNoReadingReaches) {
    LevelTimeline levels;
    levels.add(0, 0.5);
    levels.add(32000, 0.5);
    // A reading holds for 0.5 s at most: columns of 4000 frames.
    EXPECT_EQ(levels.sparkline(40000, 10), "▄▄      ▄▄");
}

class Inspection : public ::testing::Test {
protected:
    ArrivalGaps::Instant now_{};
    StreamInspection inspection_{[this] { return now_; }, nullptr};

    void arriveAfter(std::chrono::milliseconds wait, const std::string& bytes) {
        now_ += wait;
        inspection_.feed(bytes);
    }
};

TEST_F(Inspection, CountsEventsAndAudioAndKeepsTheToolsMessages) {
    arriveAfter(0ms, tallwick::formatEventLine("log", std::nullopt, "Requesting\xE2\x80\xA6"));
    arriveAfter(0ms, levelLine("0.2500") + audioLine(samples(320, 100)) + audioLine(samples(160, 1)));
    arriveAfter(0ms, "not json\n");
    arriveAfter(0ms, tallwick::formatEventLine("error", std::nullopt, "gone"));
    inspection_.end(false);
    const StreamTally& tally = inspection_.tally();
    EXPECT_EQ(tally.lines, 6u);
    EXPECT_EQ(tally.count(EventType::log), 1u);
    EXPECT_EQ(tally.count(EventType::level), 1u);
    EXPECT_EQ(tally.count(EventType::audio), 2u);
    EXPECT_EQ(tally.count(EventType::error), 1u);
    EXPECT_EQ(tally.count(EventType::ready), 0u);
    EXPECT_EQ(tally.invalidLines, 1u);
    ASSERT_EQ(tally.firstInvalid.size(), 1u);
    EXPECT_EQ(tally.firstInvalid[0].lineNumber, 5u);
    EXPECT_EQ(tally.frames, 480u);
    EXPECT_DOUBLE_EQ(tally.lastLevel, 0.25);
    ASSERT_EQ(tally.messages.size(), 2u);
    EXPECT_EQ(tally.messages[1].event->message, "gone");
}

TEST_F(Inspection, FindsAudioThatArrivedFarLaterThanItLasts) {
    const auto chunk = audioLine(samples(320, 1));  // 20 ms of audio
    arriveAfter(0ms, chunk);
    arriveAfter(20ms, chunk);
    arriveAfter(269ms, chunk);  // 249 ms beyond its 20 ms: jitter, not a stall
    arriveAfter(270ms, chunk);  // 250 ms beyond: a stall
    arriveAfter(0ms, chunk + chunk + chunk);  // a catch-up burst is no gap
    arriveAfter(1020ms, chunk);
    inspection_.end(false);
    const ArrivalGaps& gaps = inspection_.arrivalGaps();
    ASSERT_EQ(gaps.count(), 2u);
    EXPECT_EQ(gaps.longest(), 1000ms);
    EXPECT_EQ(gaps.first()[0].lineNumber, 4u);
    EXPECT_EQ(gaps.first()[0].audioFrame, 3u * 320);
    EXPECT_EQ(gaps.first()[0].excess, 250ms);
    EXPECT_EQ(gaps.first()[1].lineNumber, 8u);
}

TEST_F(Inspection, PlacesEachLevelAtTheStartOfTheChunkItMeasured) {
    arriveAfter(0ms, audioLine(samples(8000, 0)));
    arriveAfter(0ms, levelLine("1.0000") + audioLine(samples(8000, 6000)));
    inspection_.end(false);
    EXPECT_EQ(inspection_.levels().sparkline(inspection_.tally().frames, 4), "  ██");
}

TEST_F(Inspection, ReportsAStreamThatEndsInsideALine) {
    arriveAfter(0ms, audioLine(samples(10, 3)) + "{\"type\":\"au");
    inspection_.end(true);
    EXPECT_EQ(inspection_.tally().invalidLines, 1u);
    EXPECT_EQ(inspection_.tally().firstInvalid[0].lineNumber, 2u);
    EXPECT_EQ(inspection_.tally().frames, 10u);
}

}  // namespace
}  // namespace tallwick::listen
