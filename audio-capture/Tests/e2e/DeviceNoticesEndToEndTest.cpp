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
    ToolRun run(
        isSystem ? std::vector<std::string>{"--source", "system"} : std::vector<std::string>{},
        server.environment());
    ASSERT_TRUE(run.readUntilEvent("audio", 5s));
    // PipeWire does nothing on suspend: there is nothing to tell, and the
    // capture simply goes on.
    const bool told = server.kind() == SoundServer::Kind::pulseaudio;
    for (const auto* state : {"1", "0"}) {
        server.pactl({isSystem ? "suspend-sink" : "suspend-source",
                      isSystem ? "tallwick_speakers" : "tallwick_mic", state});
        const std::string notice =
            *state == '1' ? "Audio device suspended" : "Audio device resumed";
        EXPECT_TRUE(
            !told ||
            run.readUntil([&](const auto& events) { return hasEvent(events, "log", notice); }, 5s))
            << notice;
    }
    const std::size_t resumedAt = run.events().size();
    EXPECT_TRUE(run.readUntil(
        [&](const auto& events) {
            return std::any_of(events.begin() + static_cast<std::ptrdiff_t>(resumedAt),
                               events.end(), [](const Event& e) { return e.type == "audio"; });
        },
        5s));
    run.terminate();
    run.readToEnd(2s);

    const auto& events = run.events();
    EXPECT_EQ(std::count_if(events.begin(), events.end(),
                            [](const Event& e) { return e.message == "Audio device suspended"; }),
              told ? 1 : 0);
    EXPECT_TRUE(!told || indexOf(events, "log", "Audio device suspended") <
                             indexOf(events, "log", "Audio device resumed"));
    EXPECT_FALSE(hasEvent(events, "error"));
    expectWellFormed(run);
    expectNothingOnStandardError(run);
}

INSTANTIATE_TEST_SUITE_P(EachSource, DeviceNoticesEndToEndTest, ::testing::Bool(),
                         [](const auto& info) { return info.param ? "System" : "Microphone"; });

}  // namespace
}  // namespace tallwick::testing
