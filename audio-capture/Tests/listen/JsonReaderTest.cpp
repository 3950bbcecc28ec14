#include "JsonReader.h"

#include <gtest/gtest.h>

#include <string>

namespace tallwick::listen {
namespace {

std::string onlyValue(std::string_view text) {
    const JsonObjectRead read = readJsonObject(text);
    EXPECT_TRUE(read.ok()) << text << ": " << read.problem;
    EXPECT_EQ(read.members.size(), 1u) << text;
    return read.members.empty() ? "" : read.members[0].value;
}

void expectRefused(std::string_view text, std::string_view problemPart) {
    const JsonObjectRead read = readJsonObject(text);
    EXPECT_FALSE(read.ok()) << text;
    EXPECT_NE(read.problem.find(problemPart), std::string::npos)
        << text << " gave: " << read.problem;
    EXPECT_TRUE(read.members.empty());
}

TEST(JsonReader, ReadsMembersInOrderWithWhiteSpaceBetweenTokens) {
    const JsonObjectRead read = readJsonObject(" {\t\"type\" : \"log\" ,\r\"message\":\"x\" } ");
    ASSERT_TRUE(read.ok()) << read.problem;
    ASSERT_EQ(read.members.size(), 2u);
    EXPECT_EQ(read.members[0].name, "type");
    EXPECT_EQ(read.members[0].value, "log");
    EXPECT_EQ(read.members[1].name, "message");
    EXPECT_EQ(read.members[1].value, "x");
    EXPECT_TRUE(readJsonObject("{}").ok());
}

TEST(JsonReader, DecodesEveryEscape) {
    EXPECT_EQ(onlyValue(R"({"m":"\"\\\/\b\f\n\r\t"})"), "\"\\/\b\f\n\r\t");
    EXPECT_EQ(onlyValue(R"({"m":"\u0041\u00e9\u2192"})"), "A\xC3\xA9\xE2\x86\x92");
    EXPECT_EQ(onlyValue(R"({"m":"\u0000"})"), std::string(1, '\0'));
    // U+1F600 as a surrogate pair, hex digits in either case.
    EXPECT_EQ(onlyValue(R"({"m":"\uD83D\ude00"})"), "\xF0\x9F\x98\x80");
    EXPECT_EQ(onlyValue(R"({"m":"\uDBFF\uDFFF"})"), "\xF4\x8F\xBF\xBF");
}

TEST(JsonReader, KeepsRawUtf8AsItIs) {
    EXPECT_EQ(onlyValue("{\"m\":\"Requesting\xE2\x80\xA6\"}"), "Requesting\xE2\x80\xA6");
    EXPECT_EQ(onlyValue("{\"m\":\"\xF0\x9F\x98\x80\"}"), "\xF0\x9F\x98\x80");
}

TEST(JsonReader, RefusesBrokenEscapes) {
    expectRefused(R"({"m":"\x41"})", "unknown escape");
    expectRefused(R"({"m":"\u12G4"})", "four hexadecimal digits");
    expectRefused(R"({"m":"\u12"})", "four hexadecimal digits");
    expectRefused(R"({"m":"\uDC00"})", "unpaired low surrogate");
    expectRefused(R"({"m":"\uD800"})", "not followed by a low one");
    expectRefused(R"({"m":"\uD800x"})", "not followed by a low one");
    expectRefused(R"({"m":"\uD800\u0041"})", "not followed by a low one");
    expectRefused(R"({"m":"\uD800\uD800"})", "not followed by a low one");
    expectRefused(R"({"m":"abc\)", "unterminated string");
}

TEST(JsonReader, RefusesWhatRfc8259ForbidsInStrings) {
    expectRefused("{\"m\":\"a\tb\"}", "raw control character");
    expectRefused(std::string("{\"m\":\"a\0b\"}", 10), "raw control character");
    expectRefused("{\"m\":\"\xC0\x80\"}", "ill-formed UTF-8");      // overlong NUL
    expectRefused("{\"m\":\"\xED\xA0\x80\"}", "ill-formed UTF-8");  // encoded surrogate
    expectRefused("{\"m\":\"\xF5\x80\x80\x80\"}", "ill-formed UTF-8");
    expectRefused("{\"m\":\"\xE2\x80\"}", "ill-formed UTF-8");      // cut sequence
    expectRefused("{\"m\":\"\xFF\"}", "ill-formed UTF-8");
}

TEST(JsonReader, NamesTheKindOfAValueThatIsNotAString) {
    expectRefused(R"({"type":1})", "member \"type\" is a number, not a string");
    expectRefused(R"({"type":-1})", "a number");
    expectRefused(R"({"type":true})", "a boolean");
    expectRefused(R"({"type":null})", "null");
    expectRefused(R"({"type":["log"]})", "an array");
    expectRefused(R"({"type":{"a":"b"}})", "an object");
}

TEST(JsonReader, RefusesAnythingButOneWholeObject) {
    expectRefused("", "empty line");
    expectRefused("   ", "empty line");
    expectRefused(R"(["log"])", "expected a JSON object, found an array");
    expectRefused(R"("log")", "found a string");
    expectRefused(R"({"type":"log"}{"type":"log"})", "text after the end");
    expectRefused(R"({"type":"log"}x)", "text after the end");
    expectRefused(R"({"type":"log")", "end of line inside the object");
    expectRefused(R"({"type":"log",})", "expected a member name");
    expectRefused(R"({"type" "log"})", "expected ':'");
    expectRefused(R"({type:"log"})", "expected a member name");
    expectRefused(R"({"type":'log'})", "an unexpected character");
    expectRefused(R"({"type":"log" "message":"x"})", "expected ',' or '}'");
    expectRefused(R"({"type":)", "expected a value");
}

TEST(JsonReader, ReportsWhereTheProblemIs) {
    EXPECT_EQ(readJsonObject(R"({"type":"log",})").offset, 14u);
    EXPECT_EQ(readJsonObject(R"({"m":"ab\q"})").offset, 8u);
}

TEST(JsonReader, DeepNestingIsRefusedAtOnceNotRecursedInto) {
    const std::string deep = "{\"m\":" + std::string(1'000'000, '[') + std::string(1'000'000, ']') + "}";
    expectRefused(deep, "an array");
}

}  // namespace
}  // namespace tallwick::listen
