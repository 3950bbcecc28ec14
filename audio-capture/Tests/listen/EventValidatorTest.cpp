#include "EventValidator.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "events/EventStream.h"

namespace tallwick::listen {
namespace {

// The tool's own writer makes the valid lines, so these tests hold the
// inspector to exactly what the tool emits.
std::string toolLine(std::string_view type, std::string_view message) {
    std::string line = tallwick::formatEventLine(type, std::nullopt, message);
    line.pop_back();  // the line feed
    return line;
}

TEST(EventLine, AcceptsWhatTheToolWritesAndDecodesEveryEscape) {
    struct Case {
        std::string line;
        EventType type;
        std::string message;
    };
    const Case cases[] = {
        {toolLine("error", "Stream \"stopped\"\nwith \\ and /"), EventType::error,
         "Stream \"stopped\"\nwith \\ and /"},
        {R"({"type":"log","message":"\"\\\/\b\f\n\r\t\u0041\u00e9\u2192\uD83D\ude00\uDBFF\uDFFF\u0000"})",
         EventType::log,
         std::string("\"\\/\b\f\n\r\tA\xC3\xA9\xE2\x86\x92\xF0\x9F\x98\x80\xF4\x8F\xBF\xBF\0", 23)},
        {" {\t\"message\" : \"x\" ,\r\"type\":\"ready\" } ", EventType::ready, "x"},
        {toolLine("level", "1.0000"), EventType::level, "1.0000"},
    };
    for (const Case& c : cases) {
        const EventCheck check = checkEventLine(c.line);
        ASSERT_TRUE(check.event) << c.line << ": " << check.problem;
        EXPECT_EQ(check.event->type, c.type) << c.line;
        EXPECT_EQ(check.event->message, c.message) << c.line;
    }
    EXPECT_DOUBLE_EQ(checkEventLine(toolLine("level", "0.2500")).event->level, 0.25);
}

TEST(EventLine, RefusesAnythingOffTheGrammarSayingWhy) {
    const std::pair<std::string, std::string> cases[] = {
        {"", "empty line"},
        {R"(["log"])", "expected a JSON object, found an array"},
        {R"({"type":"log","message":"x")", "end of line inside the object"},
        {R"({"type":"log",})", "expected a member name in quotes (at byte 14)"},
        {R"({"type":1})", "member \"type\" is a number, not a string"},
        {"{\"m\":" + std::string(1'000'000, '[') + std::string(1'000'000, ']') + "}", "an array"},
        {R"({"type":"log","message":"\uDC00"})", "unpaired low surrogate"},
        {R"({"type":"log","message":"\uD800\u0041"})", "not followed by a low one"},
        {"{\"type\":\"log\",\"message\":\"a\tb\"}", "raw control character"},
        {"{\"type\":\"log\",\"message\":\"\xC0\x80\"}", "ill-formed UTF-8"},
        {R"({"message":"x"})", "no \"type\" member"},
        {R"({"type":"Log","message":"x"})", "unknown type \"Log\""},
        {R"({"type":"log","message":"x","time":"1"})", "unknown member \"time\""},
        {R"({"type":"log"})", "\"log\" without \"message\""},
        {R"({"type":"audio"})", "\"audio\" without \"data\""},
        {R"({"type":"audio","data":""})", "\"audio\" with no audio (empty data)"},
        {R"({"type":"audio","data":"AAAA"})",
         "\"audio\" data of 3 bytes, not a whole number of 16-bit samples"},
        {R"({"type":"audio","data":"AAA"})", "not a multiple of 4"},
        {R"({"type":"audio","data":"Z==="})", "padding '=' at offset 1"},
        {R"({"type":"audio","data":"Zh=="})", "padding bits"},
    };
    for (const auto& [line, problem] : cases) {
        const EventCheck check = checkEventLine(line);
        EXPECT_FALSE(check.event) << line.substr(0, 80);
        EXPECT_NE(check.problem.find(problem), std::string::npos)
            << line.substr(0, 80) << " gave: " << check.problem;
    }
    for (const char* level : {"0.5", "0.50000", "1.0001", "-0.100"}) {
        EXPECT_EQ(checkEventLine(toolLine("level", level)).problem,
                  "level \"" + std::string(level) + "\" is not a value 0.0000 to 1.0000");
    }
}

}  // namespace
}  // namespace tallwick::listen
