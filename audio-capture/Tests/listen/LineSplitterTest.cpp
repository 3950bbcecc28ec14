#include "LineSplitter.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

namespace tallwick::listen {
namespace {

struct Collected {
    std::vector<std::string> lines;
    std::vector<std::pair<std::size_t, std::string>> oversize;
};

LineSplitter::Handlers collectInto(Collected& collected) {
    return {[&](std::string_view line) { collected.lines.emplace_back(line); },
            [&](std::size_t length, std::string_view head) {
                collected.oversize.emplace_back(length, std::string(head));
            }};
}

TEST(LineSplitter, GivesTheSameLinesHoweverTheReadsFall) {
    const std::string stream = "first\n\nthird line\n{\"a\":\"b\"}\nrest";
    std::mt19937 random(11);
    for (int round = 0; round < 200; ++round) {
        Collected collected;
        LineSplitter splitter(collectInto(collected));
        std::size_t at = 0;
        while (at < stream.size()) {
            // Round 0 feeds one byte at a time.
            const std::size_t size = round == 0 ? 1 : 1 + random() % 12;
            splitter.feed(std::string_view(stream).substr(at, size));
            at += size;
        }
        ASSERT_EQ(collected.lines, (std::vector<std::string>{"first", "", "third line", "{\"a\":\"b\"}"}));
        const auto rest = splitter.remainder();
        ASSERT_TRUE(rest);
        EXPECT_EQ(rest->head, "rest");
        EXPECT_EQ(rest->length, 4u);
    }
}

TEST(LineSplitter, HasNoRemainderWhenTheInputEndsWithALineFeed) {
    Collected collected;
    LineSplitter splitter(collectInto(collected));
    splitter.feed("a\nb\n");
    EXPECT_FALSE(splitter.remainder());
    EXPECT_EQ(collected.lines.size(), 2u);
}

TEST(LineSplitter, DropsALineOverTheLimitButKeepsItsHeadAndLength) {
    Collected collected;
    LineSplitter splitter(collectInto(collected), 1000);
    splitter.feed("short\n");
    const std::string longLine = "{" + std::string(2999, 'x');
    for (std::size_t at = 0; at < longLine.size(); at += 700) {
        splitter.feed(std::string_view(longLine).substr(at, 700));
    }
    splitter.feed("\nafter\n" + std::string(1000, 'y') + "\n");
    EXPECT_EQ(collected.lines, (std::vector<std::string>{"short", "after", std::string(1000, 'y')}));
    ASSERT_EQ(collected.oversize.size(), 1u);
    EXPECT_EQ(collected.oversize[0].first, 3000u);
    EXPECT_EQ(collected.oversize[0].second, longLine.substr(0, LineSplitter::headLength));
}

TEST(LineSplitter, AnOversizeLineInOneReadIsStillDropped) {
    Collected collected;
    LineSplitter splitter(collectInto(collected), 10);
    splitter.feed("0123456789A\nok\n");
    EXPECT_EQ(collected.lines, (std::vector<std::string>{"ok"}));
    ASSERT_EQ(collected.oversize.size(), 1u);
    EXPECT_EQ(collected.oversize[0].first, 11u);
}

TEST(LineSplitter, AnOversizeUnterminatedTailIsReportedWithItsFullLength) {
    Collected collected;
    LineSplitter splitter(collectInto(collected), 10);
    splitter.feed("0123456789");
    splitter.feed("0123456789");
    const auto rest = splitter.remainder();
    ASSERT_TRUE(rest);
    EXPECT_EQ(rest->length, 20u);
    EXPECT_EQ(rest->head, "01234567890123456789");
}

}  // namespace
}  // namespace tallwick::listen
