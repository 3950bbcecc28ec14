#include "LineSplitter.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

namespace tallwick::listen {
namespace {

struct Split {
    std::vector<std::string> lines;
    std::optional<std::pair<std::size_t, std::string>> rest;
};

// Feeds `stream` in reads of the given sizes, taken in turn.
Split split(const std::string& stream, const std::vector<std::size_t>& reads) {
    Split out;
    LineSplitter splitter({[&](std::string_view line) { out.lines.emplace_back(line); },
                           [](std::size_t, std::string_view) {}},
                          1000);
    for (std::size_t at = 0, i = 0; at < stream.size(); at += reads[i++ % reads.size()]) {
        splitter.feed(std::string_view(stream).substr(at, reads[i % reads.size()]));
    }
    if (const auto rest = splitter.remainder()) out.rest = {rest->length, std::string(rest->head)};
    return out;
}

TEST(LineSplitter, GivesTheSameLinesHoweverTheReadsFall) {
    const std::string stream = "first\n\nthird line\n{\"a\":\"b\"}\nrest";
    std::mt19937 random(11);
    std::vector<std::vector<std::size_t>> readings = {{1}, {4096}};
    for (int round = 0; round < 100; ++round) readings.push_back({1 + random() % 12, 1 + random() % 12, 1 + random() % 12});
    for (const auto& reads : readings) {
        const Split out = split(stream, reads);
        ASSERT_EQ(out.lines, (std::vector<std::string>{"first", "", "third line", "{\"a\":\"b\"}"}));
        ASSERT_EQ(out.rest, std::make_pair(std::size_t{4}, std::string("rest")));
    }
    EXPECT_FALSE(split("a\nb\n", {4}).rest);
}

}  // namespace
}  // namespace tallwick::listen
