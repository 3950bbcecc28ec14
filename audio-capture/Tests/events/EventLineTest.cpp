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

TEST(EventLine, AbsentMembersAreLeftOutNeverNull) {
    EXPECT_EQ(lineOf("ready", std::nullopt, std::nullopt), "{\"type\":\"ready\"}\n");
    EXPECT_EQ(lineOf("log", std::nullopt, "x"), "{\"type\":\"log\",\"message\":\"x\"}\n");
    EXPECT_EQ(lineOf("log", std::nullopt, ""), "{\"type\":\"log\",\"message\":\"\"}\n");
    EXPECT_EQ(lineOf("audio", "", std::nullopt), "{\"type\":\"audio\",\"data\":\"\"}\n");
}

TEST(EventLine, EscapesWhatJsonRequiresAndTheSolidus) {
    const std::string message = "say \"hi\"\\ a/b\nnext\r\t\b\f\x01\x1f\x7f end";
    const std::string line = lineOf("log", std::nullopt, message);
    EXPECT_EQ(line,
              "{\"type\":\"log\",\"message\":\"say \\\"hi\\\"\\\\ a\\/b\\nnext\\r\\t\\b\\f"
              "\\u0001\\u001f\x7f end\"}\n");
    EXPECT_EQ(json::parse(line).at("message"), message);
}

TEST(EventLine, HoldsExactlyOneLineFeedAtItsEnd) {
    const std::string line = lineOf("log", "a\nb", "\n\n");
    EXPECT_EQ(std::count(line.begin(), line.end(), '\n'), 1);
    EXPECT_EQ(line.back(), '\n');
    EXPECT_EQ(line.find(' '), std::string::npos);
    EXPECT_EQ(line.find("null"), std::string::npos);
}

TEST(EventLine, NonAsciiStaysRawUtf8) {
    const std::string line =
        lineOf("log", std::nullopt, "Requesting microphone permission\xE2\x80\xA6 \xE2\x86\x92 \xF0\x9F\x8E\xA4");
    EXPECT_NE(line.find("permission\xE2\x80\xA6"), std::string::npos);
    EXPECT_NE(line.find("\xE2\x86\x92 \xF0\x9F\x8E\xA4"), std::string::npos);
    EXPECT_EQ(line.find("\\u"), std::string::npos);
}

TEST(EventLine, Base64PayloadsRoundTripThroughTheSolidusEscape) {
    const std::string payload = "//8AAP/+AQA=";
    const std::string line = lineOf("audio", payload, std::nullopt);
    EXPECT_EQ(line, "{\"type\":\"audio\",\"data\":\"\\/\\/8AAP\\/+AQA=\"}\n");
    EXPECT_EQ(json::parse(line).at("data"), payload);
    // Framing is 27 bytes plus one per escaped solidus.
    EXPECT_EQ(line.size(), payload.size() + 27 + 3);
}

TEST(EventLine, AudioStraightFromSamplesIsTheLineOfItsBase64Text) {
    // Lengths of every remainder mod 3, payloads with no solidus, all
    // solidi ("///" is 0xFF 0xFF 0xFF), and a chunk of real size.
    const std::vector<std::vector<std::uint8_t>> chunks{
        {0x00}, {0x00, 0x10}, {0x12, 0x34, 0x56}, {0xFF}, {0xFF, 0xFF}, {0xFF, 0xFF, 0xFF, 0xFF},
        {0xFB, 0xEF, 0xBE, 0x00, 0x00, 0x3F}};
    std::vector<std::uint8_t> noise(1280);
    for (std::size_t i = 0; i < noise.size(); ++i) {
        noise[i] = static_cast<std::uint8_t>(i * 151 + (i >> 3) * 7);
    }
    auto all = chunks;
    all.push_back(noise);
    for (const auto& chunk : all) {
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
        {"\xE2\x86", replacement},                                  // truncated at the end
        {"\xE2\x86x", replacement + "x"},                           // truncated in the middle
        {"\xED\xA0\x80", replacement + replacement + replacement},  // a surrogate
        {"\xF4\x90\x80\x80", replacement + replacement + replacement + replacement},
        {"\xF0\x9F\x8E", replacement},
        {"\x80\x80", replacement + replacement},
        {std::string("nul\0!", 5), std::string("nul\0!", 5)},
    };
    for (const auto& c : cases) {
        const std::string line = lineOf("error", std::nullopt, c.in);
        const json event = json::parse(line);  // throws on invalid UTF-8
        EXPECT_EQ(event.at("message"), c.out) << line;
    }
    EXPECT_NE(lineOf("error", std::nullopt, std::string("nul\0!", 5)).find("nul\\u0000!"),
              std::string::npos);
}

}  // namespace
}  // namespace tallwick
