// tallwick_audio on the microphone against a private sound server.
#include <gtest/gtest.h>

#include "EventChecks.h"
#include "SoundServer.h"
#include "Tone.h"

namespace tallwick::testing {
namespace {

class MicrophoneEndToEndTest : public ::testing::Test {
  protected:
    std::unique_ptr<ToolRun> startTool() {
        auto run = std::make_unique<ToolRun>(std::vector<std::string>{}, server.environment());
        EXPECT_TRUE(run->readUntilEvent("ready", 5s));
        return run;
    }

    SoundServer server;
};

TEST_F(MicrophoneEndToEndTest, StreamsTheMicrophoneAt16kHz) {
    auto run = startTool();
    // Played at the microphone's own rate, so the tool alone converts it.
    const int rate = server.microphoneRate();
    const auto player = server.play("tallwick_mic_feed", sine(1000, 3, rate), rate);
    EXPECT_TRUE(run->readUntil([](const auto& events) { return toneArrived(events, 1000); }, 5s));
    run->terminate();
    run->readToEnd(2s);

    const auto& events = run->events();
    ASSERT_GE(events.size(), 3u);
    EXPECT_EQ(events[0].message, microphonePermissionLog);
    EXPECT_EQ(events[1].type, "log");
    EXPECT_EQ(events[1].message, "Mic input: " + std::to_string(rate) + ".0 Hz, 1 ch");
    EXPECT_LT(1u, indexOf(events, "ready"));
    EXPECT_EQ(events[indexOf(events, "ready")].message, "Capturing microphone at 16 kHz mono");
    EXPECT_FALSE(hasEvent(events, "error"));
    expectWellFormed(*run);
    expectLevelsRideOnAudio(events);
    EXPECT_EQ(run->standardError(), "");
}

TEST_F(MicrophoneEndToEndTest, EndsWithOneErrorWhenTheServerDies) {
    auto run = startTool();
    expectOneErrorWhenTheServerDies(*run, server);
}

}  // namespace
}  // namespace tallwick::testing
