#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "TallwickAudio.h"

namespace tallwick {
namespace {

TEST(SourceSelection, OnlyTheValueAfterTheFirstFlagCountsAndOnlyAsciiCaseFolds) {
    struct Case {
        std::vector<std::string> arguments;
        std::string_view source;
    };
    const Case cases[] = {
        {{"--source", "system"}, "system"},
        {{"-v", "--source", "sYsTeM", "extra"}, "system"},
        {{}, "mic"},
        {{"--source"}, "mic"},
        {{"--SOURCE", "system"}, "mic"},
        {{"--source", "sys"}, "mic"},
        // Non-ASCII look-alikes never lower-case to "system" (long s).
        {{"--source", "\xC5\xBFystem"}, "mic"},
        {{"--source", std::string("sys\0tem", 7)}, "mic"},
        {{"--source", "system", "--source", "mic"}, "system"},
        // The value after the first flag is taken even when it looks like a flag.
        {{"--source", "--source", "system"}, "mic"},
    };
    for (const auto& c : cases) {
        auto arguments = c.arguments;
        arguments.insert(arguments.begin(), "/usr/libexec/tallwick_audio");
        EXPECT_EQ(TallwickAudio::parseSource(arguments), c.source)
            << ::testing::PrintToString(c.arguments);
    }
}

}  // namespace
}  // namespace tallwick
