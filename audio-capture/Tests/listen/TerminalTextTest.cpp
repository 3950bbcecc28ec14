#include <gtest/gtest.h>

#include "LevelBar.h"
#include "LineQuote.h"

namespace tallwick::listen {
namespace {

TEST(Printable, ShowsControlBytesAndBrokenUtf8AsHexAndKeepsTheRest) {
    EXPECT_EQ(printable("plain text", 100), "plain text");
    EXPECT_EQ(printable("caf\xC3\xA9 \xE2\x80\xA6", 100), "caf\xC3\xA9 \xE2\x80\xA6");
    EXPECT_EQ(printable("\x1B[2J\r\n\x7F", 100), "\\x1B[2J\\x0D\\x0A\\x7F");
    EXPECT_EQ(printable("\xC2\x9B" "31m", 100), "\\xC2\\x9B31m");  // C1 CSI
    EXPECT_EQ(printable("\xFF\xE2\x80", 100), "\\xFF\\xE2\\x80");
    EXPECT_EQ(printable(std::string("a\0b", 3), 100), "a\\x00b");
}

TEST(Printable, CutsAfterTheLimitWithoutSplittingACharacter) {
    EXPECT_EQ(printable("abcdef", 3), "abc…");
    EXPECT_EQ(printable("ab\xE2\x80\xA6", 3), "ab…");  // the 3-byte character does not fit
    EXPECT_EQ(printable("abc", 3), "abc");
    EXPECT_EQ(quoteLine("abcdef", 3), "\"abc\"…");
}

TEST(LevelBar, FillsCellsInEighths) {
    EXPECT_EQ(renderLevelBar(0.0, 4), "    ");
    EXPECT_EQ(renderLevelBar(1.0 / 32, 4), "▏   ");
    EXPECT_EQ(renderLevelBar(0.5, 4), "██  ");
    EXPECT_EQ(renderLevelBar(0.6, 4), "██▍ ");  // 19.2 eighths round to 19
    EXPECT_EQ(renderLevelBar(1.0, 4), "████");
    EXPECT_EQ(renderLevelBar(7.0, 4), "████");
    EXPECT_EQ(renderLevelBar(-1.0, 4), "    ");
}

TEST(LevelBar, StatusLineShowsAudioSoFarTheLevelAndTheCounts) {
    StreamTally tally;
    tally.frames = 24000;
    tally.lastLevel = 0.25;
    tally.byType[static_cast<std::size_t>(EventType::audio)] = 75;
    tally.byType[static_cast<std::size_t>(EventType::level)] = 20;
    tally.invalidLines = 1;
    EXPECT_EQ(renderStatusLine(tally, 4),
              "     1.5 s |█   | 0.2500  log 0 ready 0 audio 75 level 20 error 0  invalid 1");
}

}  // namespace
}  // namespace tallwick::listen
