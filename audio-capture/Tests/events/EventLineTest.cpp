#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "events/Base64.h"
#include "events/EventStream.h"
#include "support/CapturedEvents.h"

namespace tallwick {
namespace {

using nlohmann::json;
using testing::CapturedEvents;

std::string lineOf(std::string_view type, std::optional<std::string_view> data,
                   std::optional<std::string_view> message) {
    CapturedEvents captured;
    emit(type, data, message);
    return captured.bytes();
}

// Absent members are left out, never null; JSON escapes plus the solidus;
// exactly one line feed; non-ASCII stays raw UTF-8.
TEST(EventLine, IsByteExact) {
    struct Case {
        std::string_view type;
        std::optional<std::string> data, message;
        std::string line;
    };
    const Case cases[] = {
        {"log", std::nullopt, "", R"({"type":"log","message":""})"},
        {"audio", "", std::nullopt, R"({"type":"audio","data":""})"},
        {"audio", "//8AAP/+AQA=", std::nullopt, R"({"type":"audio","data":"\/\/8AAP\/+AQA="})"},
        {"log", "a\nb", "\n\n", R"({"type":"log","data":"a\nb","message":"\n\n"})"},
        {"log", std::nullopt, "say \"hi\"\\ a/b\nnext\r\t\b\f\x01\x1f\x7f end",
         "{\"type\":\"log\",\"message\":\"say \\\"hi\\\"\\\\ a\\/b\\nnext\\r\\t\\b\\f"
         "\\u0001\\u001f\x7f end\"}"},
        {"log", std::nullopt, "permission\xE2\x80\xA6 \xE2\x86\x92 \xF0\x9F\x8E\xA4",
         "{\"type\":\"log\",\"message\":\"permission\xE2\x80\xA6 \xE2\x86\x92 \xF0\x9F\x8E\xA4\"}"},
        {"error", std::nullopt, std::string("nul\0!", 5), R"({"type":"error","message":"nul\u0000!"})"},
    };
    for (const auto& c : cases) {
        const std::string line = lineOf(c.type, c.data, c.message);
        EXPECT_EQ(line, c.line + "\n");
        const json event = json::parse(line);
        EXPECT_EQ(event.value("data", std::string("absent")), c.data.value_or("absent"));
        EXPECT_EQ(event.value("message", std::string("absent")), c.message.value_or("absent"));
    }
}

TEST(EventLine, AudioStraightFromSamplesIsTheLineOfItsBase64Text) {
    // Every remainder mod 3, and "///" (0xFF 0xFF 0xFF) to escape.
    const std::vector<std::vector<std::uint8_t>> chunks{
        {0x00}, {0x00, 0x10}, {0xFF, 0xFF, 0xFF, 0xFF}, {0xFB, 0xEF, 0xBE, 0x00, 0x00, 0x3F}};
    for (const auto& chunk : chunks) {
        CapturedEvents captured;
        emitAudio(chunk);
        emitAudio(chunk);  // the reused line buffer holds nothing of the last one
        const std::string expected = formatEventLine("audio", base64Encode(chunk), std::nullopt);
        EXPECT_EQ(captured.bytes(), expected + expected) << chunk.size() << " bytes";
    }
}

TEST(EventLine, InvalidUtf8BecomesReplacementCharactersNotALostEvent) {
    const std::string replacement = "\xEF\xBF\xBD";
    struct Case {
        std::string in, out;
    };
    const Case cases[] = {
        {"a\xFFz", "a" + replacement + "z"},
        {"\xC0\xAF", replacement + replacement},                    // overlong lead bytes
        {"\xE2\x86x", replacement + "x"},                           // truncated in the middle
        {"\xED\xA0\x80", replacement + replacement + replacement},  // a surrogate
        {"\xF4\x90\x80\x80", replacement + replacement + replacement + replacement},
        {"\xF5\x80\x80\x80", replacement + replacement + replacement + replacement},  // past U+10FFFF
        {"\x80\x80", replacement + replacement},
    };
    for (const auto& c : cases) {
        const std::string line = lineOf("error", std::nullopt, c.in);
        const json event = json::parse(line);  // throws on invalid UTF-8
        EXPECT_EQ(event.at("message"), c.out) << line;
    }
}

}  // namespace
}  // namespace tallwick
