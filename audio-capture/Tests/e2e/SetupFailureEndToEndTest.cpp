// tallwick_audio when capture cannot even begin: one "error" line, status 1.
#include <gtest/gtest.h>

#include "EventChecks.h"
#include "SoundServer.h"

namespace tallwick::testing {
namespace {

struct Outcome {
    std::vector<std::string> types;
    std::vector<std::optional<std::string>> messages;
    std::optional<int> status;
    std::string standardError;
};

Outcome runToFailure(std::vector<std::string> arguments, std::vector<std::string> environment) {
    ToolRun run(std::move(arguments), std::move(environment));
    run.readToEnd(10s);
    Outcome outcome;
    outcome.status = run.exitStatus(2s);
    for (const auto& event : run.events()) {
        outcome.types.push_back(event.type);
        outcome.messages.push_back(event.message);
    }
    outcome.standardError = run.standardError();
    expectWellFormed(run);
    return outcome;
}

const std::vector<std::string> system{"--source", "system"};
const std::vector<std::string> microphone{};
const std::vector<std::string> noServer{"PULSE_SERVER=unix:/nonexistent/tallwick/native"};

TEST(SetupFailureEndToEndTest, NoServerForTheSystemSource) {
    const auto outcome = runToFailure(system, noServer);
    EXPECT_EQ(outcome.types, (std::vector<std::string>{"log", "error"}));
    EXPECT_EQ(outcome.messages.back(), "Connection refused");
    EXPECT_EQ(outcome.status, 1);
    EXPECT_EQ(outcome.standardError, "");
}

TEST(SetupFailureEndToEndTest, NoServerForTheMicrophone) {
    const auto outcome = runToFailure(microphone, noServer);
    EXPECT_EQ(outcome.types, (std::vector<std::string>{"log", "error"}));
    EXPECT_EQ(outcome.messages.front(), microphonePermissionLog);
    EXPECT_EQ(outcome.messages.back(), "Could not initialize audio converter.");
    EXPECT_EQ(outcome.status, 1);
}

TEST(SetupFailureEndToEndTest, NoSinkToCapture) {
    SoundServer server;
    server.unloadSink("tallwick_latency_sink");
    server.unloadSink("tallwick_mic_feed");
    server.unloadSink("tallwick_speakers");
    const auto outcome = runToFailure(system, server.environment());
    EXPECT_EQ(outcome.types, (std::vector<std::string>{"log", "error"}));
    EXPECT_EQ(outcome.messages.back(), "No display available for audio capture.");
    EXPECT_EQ(outcome.status, 1);
}

TEST(SetupFailureEndToEndTest, AServerThatTurnsUsAway) {
    SoundServer server(SoundServer::Access::refusing);
    if (server.kind() == SoundServer::Kind::pipewire) {
        // PipeWire's pulse server checks no cookie. The most its address can
        // withhold is write access, which recording does not need: both
        // sources capture.
        for (const auto& source : {system, microphone}) {
            ToolRun run(source, server.refusedEnvironment());
            EXPECT_TRUE(run.readUntil(
                [](const auto& events) { return hasEvent(events, "ready") && hasEvent(events, "audio"); },
                5s));
            EXPECT_FALSE(hasEvent(run.events(), "error"));
        }
        return;
    }
    const auto systemOutcome = runToFailure(system, server.refusedEnvironment());
    EXPECT_EQ(systemOutcome.types, (std::vector<std::string>{"log", "error"}));
    EXPECT_EQ(systemOutcome.messages.back(), "Access denied");
    EXPECT_EQ(systemOutcome.status, 1);

    const auto micOutcome = runToFailure(microphone, server.refusedEnvironment());
    EXPECT_EQ(micOutcome.types, (std::vector<std::string>{"log", "error"}));
    EXPECT_EQ(micOutcome.messages.back(),
              "Microphone access denied. Enable it in System Settings \u2192 Privacy \u2192 "
              "Microphone.");
    EXPECT_EQ(micOutcome.status, 1);
}

}  // namespace
}  // namespace tallwick::testing
