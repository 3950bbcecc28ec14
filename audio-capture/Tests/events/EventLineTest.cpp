#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "events/EventStream.h"
#include "support/CapturedEvents.h"

namespace tallwick {
namespace {

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
        {"error", std::nullopt, std::string("nul\0!", 5),
         R"({"type":"error","message":"nul\u0000!"})"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(lineOf(c.type, c.data, c.message), c.line + "\n");
    }
}

// RFC 4648 vectors, every remainder mod 3, and "///+" to escape; twice, since
// the reused line buffer must hold nothing of the last line.
TEST(EventLine, AudioIsTheBase64OfItsSamples) {
    const std::pair<std::string_view, std::string_view> vectors[] = {
        {"", ""},        {"f", "Zg=="},          {"fo", "Zm8="},
        {"foo", "Zm9v"}, {"foobar", "Zm9vYmFy"}, {"\xFF\xFF\xFE", "\\/\\/\\/+"}};
    for (const auto& [bytes, text] : vectors) {
        CapturedEvents captured;
        const std::span pcm(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
        emitAudio(pcm);
        emitAudio(pcm);
        const std::string line = R"({"type":"audio","data":")" + std::string(text) + "\"}\n";
        EXPECT_EQ(captured.bytes(), line + line);
    }
}

TEST(EventLine, InvalidUtf8BecomesReplacementCharactersNotALostEvent) {
    const std::string replacement = "\xEF\xBF\xBD";
    const std::pair<std::string, std::string> cases[] = {
        {"a\xFFz", "a" + replacement + "z"},
        {"\xC0\xAF", replacement + replacement},                    // overlong lead bytes
        {"\xE2\x86x", replacement + "x"},                           // truncated in the middle
        {"\xED\xA0\x80", replacement + replacement + replacement},  // a surrogate
        {"\xF4\x90\x80\x80", replacement + replacement + replacement + replacement},
        {"\xF5\x80\x80\x80",
         replacement + replacement + replacement + replacement},  // past U+10FFFF
        {"\x80\x80", replacement + replacement},
    };
    for (const auto& [in, out] : cases) {
        const std::string line = lineOf("error", std::nullopt, in);
        EXPECT_EQ(nlohmann::json::parse(line).at("message"), out)
            << line;  // throws on invalid UTF-8
    }
}

}  // namespace
}  // namespace tallwick
