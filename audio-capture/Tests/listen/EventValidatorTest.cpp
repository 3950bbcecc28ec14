#include "EventValidator.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "events/Base64.h"
#include "events/EventStream.h"

namespace tallwick::listen {
namespace {

// The tool's own writer makes the valid lines, so these tests hold the
// inspector to exactly what the tool emits.
std::string toolLine(std::string_view type, std::optional<std::string_view> data,
                     std::optional<std::string_view> message) {
    std::string line = tallwick::formatEventLine(type, data, message);
    line.pop_back();  // the line feed
    return line;
}

std::string audioLine(const std::vector<std::uint8_t>& pcm) {
    return toolLine("audio", tallwick::base64Encode(pcm), std::nullopt);
}

std::string problemOf(std::string_view line) {
    const EventCheck check = checkEventLine(line);
    EXPECT_FALSE(check.event) << line;
    return check.problem;
}

#define EXPECT_PROBLEM(line, part) \
    EXPECT_NE(problemOf(line).find(part), std::string::npos) << (line) << " gave: " << problemOf(line)

TEST(EventLine, AcceptsEveryEventTheToolWrites) {
    for (const auto& line :
         {toolLine("log", std::nullopt, "Requesting screen capture permission\xE2\x80\xA6"),
          toolLine("ready", std::nullopt, "Capturing system audio at 16 kHz mono"),
          toolLine("error", std::nullopt, "Stream \"stopped\"\nwith \\ and /"),
          toolLine("log", std::nullopt, ""), toolLine("level", std::nullopt, "0.0000"),
          toolLine("level", std::nullopt, "1.0000")}) {
        const EventCheck check = checkEventLine(line);
        EXPECT_TRUE(check.event) << line << ": " << check.problem;
    }
    const EventCheck error = checkEventLine(toolLine("error", std::nullopt, "a \"b\"\nc/d"));
    ASSERT_TRUE(error.event);
    EXPECT_EQ(error.event->message, "a \"b\"\nc/d");
}

TEST(EventLine, DecodesAudioWhoseBase64HasEscapedSolidi) {
    // 0xFF 0xFF 0xFF encodes as "////": every one escaped on the line.
    const std::vector<std::uint8_t> pcm = {0xFF, 0xFF, 0xFF, 0xFF, 0x00, 0x80};
    const std::string line = audioLine(pcm);
    ASSERT_NE(line.find("\\/\\/\\/\\/"), std::string::npos) << line;
    const EventCheck check = checkEventLine(line);
    ASSERT_TRUE(check.event) << check.problem;
    EXPECT_EQ(check.event->type, EventType::audio);
    EXPECT_EQ(check.event->pcm, pcm);
}

TEST(EventLine, AcceptsMembersInAnyOrder) {
    const EventCheck check = checkEventLine(R"({"message":"0.2500","type":"level"})");
    ASSERT_TRUE(check.event) << check.problem;
    EXPECT_DOUBLE_EQ(check.event->level, 0.25);
}

TEST(EventLine, RefusesMembersOutsideTheCatalogue) {
    EXPECT_PROBLEM(R"({"message":"x"})", "no \"type\"");
    EXPECT_PROBLEM(R"({"type":"debug","message":"x"})", "unknown type \"debug\"");
    EXPECT_PROBLEM(R"({"type":"Log","message":"x"})", "unknown type \"Log\"");
    EXPECT_PROBLEM(R"({"type":"log","message":"x","time":"1"})", "unknown member \"time\"");
    EXPECT_PROBLEM(R"({"type":"log","message":"x","message":"y"})", "\"message\" appears twice");
    EXPECT_PROBLEM(R"({"type":"log","type":"log","message":"y"})", "\"type\" appears twice");
    EXPECT_PROBLEM(R"({"type":"log","message":null})", "not a string");
    EXPECT_PROBLEM(R"({"type":"log","message":"x")", "not a JSON object");
}

TEST(EventLine, AudioCarriesDataAndNothingElse) {
    EXPECT_PROBLEM(R"({"type":"audio"})", "without \"data\"");
    EXPECT_PROBLEM(R"({"type":"audio","data":"AAAA","message":"x"})", "with a \"message\"");
    EXPECT_PROBLEM(R"({"type":"audio","data":""})", "no audio");
    EXPECT_PROBLEM(R"({"type":"audio","data":"AAA"})", "not a multiple of 4");
    EXPECT_PROBLEM(R"({"type":"audio","data":"AA*A"})", "'*' at offset 2");
    // Three bytes: one and a half samples.
    EXPECT_PROBLEM(R"({"type":"audio","data":"AAAA"})", "3 bytes, not a whole number");
    EXPECT_PROBLEM(R"({"type":"audio","data":"AA=="})", "1 bytes");
    EXPECT_TRUE(checkEventLine(R"({"type":"audio","data":"AAA="})").event);
}

TEST(EventLine, EveryOtherTypeCarriesAMessageAndNoData) {
    for (const char* type : {"log", "ready", "level", "error"}) {
        const std::string t = type;
        EXPECT_PROBLEM("{\"type\":\"" + t + "\"}", "without \"message\"");
        EXPECT_PROBLEM("{\"type\":\"" + t + "\",\"message\":\"0.1000\",\"data\":\"AAA=\"}",
                       "with a \"data\" member");
    }
}

TEST(EventLine, LevelIsFourDecimalsFromZeroToOne) {
    for (const char* good : {"0.0000", "0.5000", "0.9999", "1.0000"}) {
        EXPECT_TRUE(checkEventLine(toolLine("level", std::nullopt, good)).event) << good;
    }
    for (const char* bad : {"0.5", "0.50000", "1.0001", "1.5000", "2.0000", "-0.100", " 0.1000",
                            "0,5000", "0.12a4", ".50000", "1e-01", ""}) {
        EXPECT_PROBLEM(toolLine("level", std::nullopt, bad), "is not a value 0.0000 to 1.0000");
    }
}

std::vector<LineOutcome> feed(EventValidator& validator, const std::vector<std::string>& lines) {
    std::vector<LineOutcome> all;
    for (const auto& line : lines) {
        for (auto& outcome : validator.line(line)) all.push_back(std::move(outcome));
    }
    return all;
}

const std::string level = R"({"type":"level","message":"0.5000"})";
const std::string audio = R"({"type":"audio","data":"AAA="})";
const std::string log = R"({"type":"log","message":"x"})";

TEST(EventOrder, LevelDirectlyBeforeAudioIsValidAndSettledInLineOrder) {
    EventValidator validator;
    const auto outcomes = feed(validator, {log, level, audio, audio});
    ASSERT_EQ(outcomes.size(), 4u);
    for (std::size_t i = 0; i < outcomes.size(); ++i) {
        EXPECT_EQ(outcomes[i].lineNumber, i + 1);
        EXPECT_TRUE(outcomes[i].event) << outcomes[i].problem;
    }
    EXPECT_EQ(outcomes[1].event->type, EventType::level);
    EXPECT_TRUE(validator.end(std::nullopt, false).empty());
}

TEST(EventOrder, LevelBeforeAnythingButAudioIsInvalid) {
    EventValidator validator;
    const auto outcomes = feed(validator, {level, log, level, level, audio, level, "garbage"});
    ASSERT_EQ(outcomes.size(), 7u);
    const bool expectedValid[] = {false, true, false, true, true, false, false};
    for (std::size_t i = 0; i < outcomes.size(); ++i) {
        EXPECT_EQ(outcomes[i].lineNumber, i + 1);
        EXPECT_EQ(outcomes[i].event.has_value(), expectedValid[i]) << "line " << i + 1;
    }
    EXPECT_NE(outcomes[0].problem.find("not directly followed by an \"audio\""), std::string::npos);
}

TEST(EventOrder, LevelFollowedByABrokenAudioLineIsNotBlamedForIt) {
    EventValidator validator;
    const auto outcomes = feed(validator, {level, R"({"type":"audio","data":"A"})"});
    ASSERT_EQ(outcomes.size(), 2u);
    EXPECT_TRUE(outcomes[0].event);
    EXPECT_FALSE(outcomes[1].event);
}

TEST(EventOrder, LevelAtTheEndIsInvalidUnlessTheWriterWasStopped) {
    EventValidator ended;
    feed(ended, {audio, level});
    const auto endOutcomes = ended.end(std::nullopt, false);
    ASSERT_EQ(endOutcomes.size(), 1u);
    EXPECT_EQ(endOutcomes[0].lineNumber, 2u);
    EXPECT_FALSE(endOutcomes[0].event);

    EventValidator stopped;
    feed(stopped, {audio, level});
    const auto stopOutcomes = stopped.end(std::nullopt, true);
    ASSERT_EQ(stopOutcomes.size(), 1u);
    EXPECT_TRUE(stopOutcomes[0].event);
    EXPECT_NE(stopOutcomes[0].note.find("stopped"), std::string::npos);
}

TEST(EventOrder, AnUnterminatedLastLineIsInvalidEvenIfItIsWholeJson) {
    EventValidator validator;
    feed(validator, {log});
    const std::string tail = log;
    const auto outcomes = validator.end(UnterminatedLine{tail, tail.size()}, true);
    ASSERT_EQ(outcomes.size(), 1u);
    EXPECT_EQ(outcomes[0].lineNumber, 2u);
    EXPECT_FALSE(outcomes[0].event);
    EXPECT_NE(outcomes[0].problem.find("cut off"), std::string::npos);
}

TEST(EventOrder, ACutLineAfterALevelIsOneFaultNotTwo) {
    EventValidator validator;
    feed(validator, {level});
    const std::string tail = R"({"type":"audio","da)";
    const auto outcomes = validator.end(UnterminatedLine{tail, tail.size()}, false);
    ASSERT_EQ(outcomes.size(), 2u);
    EXPECT_TRUE(outcomes[0].event);
    EXPECT_FALSE(outcomes[0].note.empty());
    EXPECT_FALSE(outcomes[1].event);
}

TEST(EventOrder, AnOversizeLineKeepsTheNumberingAndOnlyItsHead) {
    EventValidator validator;
    feed(validator, {log});
    const auto outcomes = validator.oversizeLine(20'000'000, "{\"type\":\"audio\"");
    ASSERT_EQ(outcomes.size(), 1u);
    EXPECT_EQ(outcomes[0].lineNumber, 2u);
    EXPECT_NE(outcomes[0].problem.find("20000000 bytes"), std::string::npos);
    EXPECT_EQ(feed(validator, {log})[0].lineNumber, 3u);
}

TEST(EventOrder, InvalidLinesKeepOnlyAShortExcerpt) {
    EventValidator validator;
    const std::string huge = "{\"type\":\"" + std::string(100'000, 'x') + "\"}";
    const auto outcomes = feed(validator, {huge});
    ASSERT_EQ(outcomes.size(), 1u);
    EXPECT_EQ(outcomes[0].excerpt.size(), EventValidator::excerptLength);
    EXPECT_LT(outcomes[0].problem.size(), 100u);
}

}  // namespace
}  // namespace tallwick::listen
