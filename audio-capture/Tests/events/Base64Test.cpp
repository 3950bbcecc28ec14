#include "events/Base64.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

namespace tallwick {
namespace {

std::string encode(std::string_view text) {
    return base64Encode(std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()));
}

// A plain six-bits-at-a-time decoder, independent of the encoder's tables.
std::vector<std::uint8_t> decode(const std::string& text) {
    static const std::string alphabet =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::vector<std::uint8_t> bytes;
    std::uint32_t bits = 0;
    int count = 0;
    for (char c : text) {
        if (c == '=') break;
        bits = bits << 6 | static_cast<std::uint32_t>(alphabet.find(c));
        count += 6;
        if (count >= 8) {
            count -= 8;
            bytes.push_back(static_cast<std::uint8_t>(bits >> count));
        }
    }
    return bytes;
}

TEST(Base64, MatchesTheRfc4648TestVectors) {
    const std::pair<std::string_view, std::string_view> vectors[] = {
        {"", ""},         {"f", "Zg=="},         {"fo", "Zm8="},         {"foo", "Zm9v"},
        {"foob", "Zm9vYg=="}, {"fooba", "Zm9vYmE="}, {"foobar", "Zm9vYmFy"}, {"\xFF\xFF\xFE", "///+"}};
    for (const auto& [text, encoded] : vectors) {
        EXPECT_EQ(encode(text), encoded);
    }
}

TEST(Base64, RoundTripsEveryLengthAndByteValue) {
    std::mt19937 random(7);
    for (std::size_t length = 0; length < 300; ++length) {
        std::vector<std::uint8_t> bytes(length);
        for (auto& b : bytes) b = static_cast<std::uint8_t>(random());
        const std::string text = base64Encode(bytes);
        ASSERT_EQ(text.size(), base64EncodedLength(length));
        ASSERT_EQ(text.find('\n'), std::string::npos);
        ASSERT_EQ(decode(text), bytes) << "length " << length;
    }
}

}  // namespace
}  // namespace tallwick
