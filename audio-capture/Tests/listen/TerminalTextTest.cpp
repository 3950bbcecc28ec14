#include <gtest/gtest.h>

#include "LevelBar.h"
#include "LineQuote.h"

namespace tallwick::listen {
namespace {

TEST(TerminalText, ShowsControlBytesAndBrokenUtf8AsHexAndCutsWithoutSplittingACharacter) {
    const std::tuple<std::string, std::size_t, std::string> cases[] = {
        {"caf\xC3\xA9 \xE2\x80\xA6", 100, "caf\xC3\xA9 \xE2\x80\xA6"},
        {"\x1B[2J\r\n\x7F", 100, "\\x1B[2J\\x0D\\x0A\\x7F"},
        {"\xC2\x9B" "31m", 100, "\\xC2\\x9B31m"},  // C1 CSI
        {std::string("a\0b", 3), 100, "a\\x00b"},
        {"abcdef", 3, "abc…"},
        {"ab\xE2\x80\xA6", 3, "ab…"},  // the 3-byte character does not fit
    };
    for (const auto& [text, limit, shown] : cases) EXPECT_EQ(printable(text, limit), shown) << shown;
    EXPECT_EQ(quoteLine("abcdef", 3), "\"abc\"…");
}

TEST(TerminalText, LevelBarFillsCellsInEighthsAndTheStatusLineShowsTheCounts) {
    const std::pair<double, const char*> bars[] = {
        {1.0 / 32, "▏   "}, {0.6, "██▍ "},  // 19.2 eighths round to 19
        {7.0, "████"},      {-1.0, "    "},
    };
    for (const auto& [level, bar] : bars) EXPECT_EQ(renderLevelBar(level, 4), bar) << level;

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
