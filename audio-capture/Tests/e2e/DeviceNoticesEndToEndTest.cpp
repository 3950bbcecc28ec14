// tallwick_audio while the sound server suspends and resumes the device it
// records: the host hears of it in "log" lines, and the capture goes on.
#include <gtest/gtest.h>

#include <algorithm>

#include "EventChecks.h"
#include "SoundServer.h"

namespace tallwick::testing {
namespace {

class DeviceNoticesEndToEndTest : public ::testing::TestWithParam<bool> {
protected:
    SoundServer server;
};

TEST_P(DeviceNoticesEndToEndTest, ASuspendedDeviceIsToldNotTakenForSilence) {
    const bool isSystem = GetParam();
    ToolRun run(isSystem ? std::vector<std::string>{"--source", "system"} : std::vector<std::string>{},
                server.environment());
    ASSERT_TRUE(run.readUntil([](const auto& events) { return hasEvent(events, "audio"); }, 5s));
    const std::vector<std::string> suspend =
        isSystem ? std::vector<std::string>{"suspend-sink", "tallwick_speakers"}
                 : std::vector<std::string>{"suspend-source", "tallwick_mic"};
    auto suspendTo = [&](const std::string& state) {
        auto arguments = suspend;
        arguments.push_back(state);
        server.pactl(arguments);
    };

    if (server.kind() == SoundServer::Kind::pipewire) {
        // PipeWire does nothing on suspend: there is nothing to tell, and the
        // capture simply goes on.
        suspendTo("1");
        const std::size_t suspendedAt = run.events().size();
        EXPECT_TRUE(run.readUntil(
            [&](const auto& events) {
                return std::any_of(events.begin() + static_cast<std::ptrdiff_t>(suspendedAt),
                                   events.end(), [](const Event& e) { return e.type == "audio"; });
            },
            5s));
        suspendTo("0");
        run.terminate();
        run.readToEnd(2s);
        EXPECT_FALSE(hasEvent(run.events(), "log", "Audio device suspended"));
        EXPECT_FALSE(hasEvent(run.events(), "error"));
        expectWellFormed(run);
        expectNothingOnStandardError(run);
        return;
    }

    suspendTo("1");
    EXPECT_TRUE(run.readUntil(
        [](const auto& events) { return hasEvent(events, "log", "Audio device suspended"); }, 5s));
    suspendTo("0");
    EXPECT_TRUE(run.readUntil(
        [](const auto& events) { return hasEvent(events, "log", "Audio device resumed"); }, 5s));
    const std::size_t resumedAt = run.events().size();
    EXPECT_TRUE(run.readUntil(
        [&](const auto& events) {
            return std::any_of(events.begin() + static_cast<std::ptrdiff_t>(resumedAt), events.end(),
                               [](const Event& e) { return e.type == "audio"; });
        },
        5s));
    run.terminate();
    run.readToEnd(2s);

    const auto& events = run.events();
    EXPECT_LT(indexOf(events, "log", "Audio device suspended"),
              indexOf(events, "log", "Audio device resumed"));
    EXPECT_EQ(std::count_if(events.begin(), events.end(),
                            [](const Event& e) { return e.message == "Audio device suspended"; }),
              1);
    EXPECT_FALSE(hasEvent(events, "error"));
    expectWellFormed(run);
    expectNothingOnStandardError(run);
}

INSTANTIATE_TEST_SUITE_P(EachSource, DeviceNoticesEndToEndTest, ::testing::Bool(),
                         [](const auto& info) { return info.param ? "System" : "Microphone"; });

}  // namespace
}  // namespace tallwick::testing
