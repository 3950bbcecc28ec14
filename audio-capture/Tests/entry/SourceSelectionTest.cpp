#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "TallwickAudio.h"

namespace tallwick {
namespace {

std::string_view sourceOf(std::vector<std::string> arguments) {
    arguments.insert(arguments.begin(), "/usr/libexec/tallwick_audio");
    return TallwickAudio::parseSource(arguments);
}

TEST(SourceSelection, SystemIsChosenCaseInsensitively) {
    EXPECT_EQ(sourceOf({"--source", "system"}), "system");
    EXPECT_EQ(sourceOf({"--source", "SYSTEM"}), "system");
    EXPECT_EQ(sourceOf({"--source", "System"}), "system");
    EXPECT_EQ(sourceOf({"-v", "--source", "sYsTeM", "extra"}), "system");
}

TEST(SourceSelection, EverythingElseIsTheMicrophone) {
    EXPECT_EQ(sourceOf({}), "mic");
    EXPECT_EQ(sourceOf({"--source"}), "mic");
    EXPECT_EQ(sourceOf({"--source=system"}), "mic");
    EXPECT_EQ(sourceOf({"--SOURCE", "system"}), "mic");
    EXPECT_EQ(sourceOf({"--source", "sys"}), "mic");
    EXPECT_EQ(sourceOf({"--source", "speaker"}), "mic");
    EXPECT_EQ(sourceOf({"--source", "system "}), "mic");
    EXPECT_EQ(sourceOf({"--source", ""}), "mic");
    // Non-ASCII look-alikes never lower-case to "system" (long s, Kelvin sign).
    EXPECT_EQ(sourceOf({"--source", "\xC5\xBFystem"}), "mic");
    EXPECT_EQ(sourceOf({"--source", std::string("sys\0tem", 7)}), "mic");
}

TEST(SourceSelection, OnlyTheFirstSourceFlagCounts) {
    EXPECT_EQ(sourceOf({"--source", "mic", "--source", "system"}), "mic");
    EXPECT_EQ(sourceOf({"--source", "system", "--source", "mic"}), "system");
    // The value after the first flag is taken even when it looks like a flag.
    EXPECT_EQ(sourceOf({"--source", "--source", "system"}), "mic");
}

TEST(SourceSelection, TheProgramPathIsPartOfTheList) {
    const std::vector<std::string> arguments = {"--source", "system"};
    EXPECT_EQ(TallwickAudio::parseSource(arguments), "system");
    const std::vector<std::string> onlyFlag = {"--source"};
    EXPECT_EQ(TallwickAudio::parseSource(onlyFlag), "mic");
}

}  // namespace
}  // namespace tallwick
