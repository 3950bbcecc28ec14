#include "LineSplitter.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

namespace tallwick::listen {
namespace {

struct Split {
    std::vector<std::string> lines;
    std::vector<std::pair<std::size_t, std::string>> oversize;
    std::optional<std::pair<std::size_t, std::string>> rest;
};

// Feeds `stream` in reads of the given sizes, taken in turn.
Split split(const std::string& stream, const std::vector<std::size_t>& reads, std::size_t limit) {
    Split out;
    LineSplitter splitter({[&](std::string_view line) { out.lines.emplace_back(line); },
                           [&](std::size_t length, std::string_view head) { out.oversize.emplace_back(length, head); }},
                          limit);
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
        const Split out = split(stream, reads, 1000);
        ASSERT_EQ(out.lines, (std::vector<std::string>{"first", "", "third line", "{\"a\":\"b\"}"}));
        ASSERT_EQ(out.rest, std::make_pair(std::size_t{4}, std::string("rest")));
    }
    EXPECT_FALSE(split("a\nb\n", {4}, 1000).rest);
}

TEST(LineSplitter, DropsALineOverTheLimitKeepingItsHeadAndLength) {
    const std::string longLine = "{" + std::string(2999, 'x');
    const Split across = split("short\n" + longLine + "\nafter\n" + std::string(1000, 'y') + "\n", {700}, 1000);
    EXPECT_EQ(across.lines, (std::vector<std::string>{"short", "after", std::string(1000, 'y')}));
    EXPECT_EQ(across.oversize, (std::vector<std::pair<std::size_t, std::string>>{
                                   {3000, longLine.substr(0, LineSplitter::headLength)}}));

    const Split inOneRead = split("0123456789A\nok\n", {100}, 10);
    EXPECT_EQ(inOneRead.lines, (std::vector<std::string>{"ok"}));
    EXPECT_EQ(inOneRead.oversize.at(0).first, 11u);

    EXPECT_EQ(split("01234567890123456789", {10}, 10).rest,
              std::make_pair(std::size_t{20}, std::string("01234567890123456789")));
}

}  // namespace
}  // namespace tallwick::listen
