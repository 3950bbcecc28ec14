// tallwick_audio when the application that reads it goes away.
#include <gtest/gtest.h>

#include "EventChecks.h"
#include "SoundServer.h"

namespace tallwick::testing {
namespace {

class ReaderGoneEndToEndTest : public ::testing::TestWithParam<std::vector<std::string>> {
  protected:
    SoundServer server;
};

TEST_P(ReaderGoneEndToEndTest, EndsSoonAfterItsOutputIsClosed) {
    ToolRun run(GetParam(), server.environment());
    ASSERT_TRUE(run.readUntilEvent("audio", 5s));
    run.closeStandardOutput();
    // Nothing is left running: a sidecar whose reader died must not go on
    // holding the microphone.
    EXPECT_TRUE(run.exitStatus(1s).has_value());
}

INSTANTIATE_TEST_SUITE_P(EachSource, ReaderGoneEndToEndTest,
                         ::testing::Values(std::vector<std::string>{"--source", "system"},
                                           std::vector<std::string>{}),
                         [](const auto& info) {
                             return info.param.empty() ? "Microphone" : "System";
                         });

}  // namespace
}  // namespace tallwick::testing
