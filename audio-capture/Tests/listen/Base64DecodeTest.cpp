#include "Base64Decode.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "events/Base64.h"

namespace tallwick::listen {
namespace {

std::string decodedText(std::string_view base64) {
    const Base64Decoded decoded = base64Decode(base64);
    EXPECT_TRUE(decoded.ok()) << base64 << ": " << decoded.problem;
    return std::string(decoded.bytes.begin(), decoded.bytes.end());
}

void expectRefused(std::string_view base64, std::string_view problemPart) {
    const Base64Decoded decoded = base64Decode(base64);
    EXPECT_FALSE(decoded.ok()) << base64;
    EXPECT_TRUE(decoded.bytes.empty());
    EXPECT_NE(decoded.problem.find(problemPart), std::string::npos)
        << base64 << " gave: " << decoded.problem;
}

TEST(Base64Decode, DecodesTheRfc4648TestVectors) {
    EXPECT_EQ(decodedText(""), "");
    EXPECT_EQ(decodedText("Zg=="), "f");
    EXPECT_EQ(decodedText("Zm8="), "fo");
    EXPECT_EQ(decodedText("Zm9v"), "foo");
    EXPECT_EQ(decodedText("Zm9vYg=="), "foob");
    EXPECT_EQ(decodedText("Zm9vYmE="), "fooba");
    EXPECT_EQ(decodedText("Zm9vYmFy"), "foobar");
}

TEST(Base64Decode, UndoesTheToolsEncoderForEveryLengthAndByte) {
    std::mt19937 random(7);
    for (std::size_t length = 0; length < 300; ++length) {
        std::vector<std::uint8_t> bytes(length);
        for (auto& byte : bytes) byte = static_cast<std::uint8_t>(random());
        const Base64Decoded decoded = base64Decode(tallwick::base64Encode(bytes));
        ASSERT_TRUE(decoded.ok()) << decoded.problem;
        ASSERT_EQ(decoded.bytes, bytes) << "length " << length;
    }
}

TEST(Base64Decode, RefusesMissingOrMisplacedPadding) {
    expectRefused("Zg", "not a multiple of 4");
    expectRefused("Zm9vY", "not a multiple of 4");
    expectRefused("Z===", "padding '=' at offset 1");
    expectRefused("====", "padding '=' at offset 0");
    expectRefused("Zg==Zg==", "padding '=' at offset 2");
}

TEST(Base64Decode, RefusesCharactersOutsideTheStandardAlphabet) {
    expectRefused("Zm9-", "'-' at offset 3");  // base64url
    expectRefused("Zm9_", "'_' at offset 3");
    expectRefused("Zm9v\nYmFy", "not a multiple of 4");
    expectRefused("Zm9v YmF", "byte 0x20 at offset 4");
    expectRefused("Zm9\x01", "byte 0x01 at offset 3");
    expectRefused("Zm9\xC3", "byte 0xC3 at offset 3");
}

TEST(Base64Decode, RefusesNonZeroPaddingBits) {
    expectRefused("Zh==", "padding bits");  // "Zg==" with a low bit set
    expectRefused("Zm9=", "padding bits");  // "Zm8="
}

}  // namespace
}  // namespace tallwick::listen
