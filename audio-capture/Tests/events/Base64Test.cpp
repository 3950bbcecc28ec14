#include "events/Base64.h"

#include <gtest/gtest.h>

#include <string>

namespace tallwick {
namespace {

TEST(Base64, MatchesTheRfc4648TestVectors) {
    const std::pair<std::string_view, std::string_view> vectors[] = {
        {"", ""},         {"f", "Zg=="},         {"fo", "Zm8="},         {"foo", "Zm9v"},
        {"foob", "Zm9vYg=="}, {"fooba", "Zm9vYmE="}, {"foobar", "Zm9vYmFy"}, {"\xFF\xFF\xFE", "///+"}};
    for (const auto& [text, encoded] : vectors) {
        EXPECT_EQ(base64Encode(std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size())),
                  encoded);
        EXPECT_EQ(base64EncodedLength(text.size()), encoded.size());
    }
}

}  // namespace
}  // namespace tallwick
