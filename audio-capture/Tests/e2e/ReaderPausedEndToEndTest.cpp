// tallwick_audio while its reader stops reading for a while: capture goes
// on, the tool keeps what the reader has not taken, and nothing is lost.
#include <gtest/gtest.h>

#include <thread>

#include "EventChecks.h"
#include "SoundServer.h"

namespace tallwick::testing {
namespace {

double audioSeconds(const std::vector<Event>& events) {
    double seconds = 0;
    for (const auto& event : events) {
        if (event.type == "audio" && event.data) {
            seconds += static_cast<double>(decodeBase64(*event.data).value_or("").size()) / 32000;
        }
    }
    return seconds;
}

TEST(ReaderPausedEndToEndTest, CaptureGoesOnAndNothingIsLost) {
    SoundServer server;
    // A 48 kHz stereo microphone: 384 kB of captured audio a second, more than
    // the sound server holds for a client in the pause below. A tool that
    // stopped reading from the server while its own reader paused would lose
    // audio there, and say so.
    server.loadSink("tallwick_stereo_feed");
    server.pactl({"load-module", "module-remap-source", "master=tallwick_stereo_feed.monitor",
                  "source_name=tallwick_stereo_mic", "format=float32le", "rate=48000", "channels=2"});
    server.pactl({"set-default-source", "tallwick_stereo_mic"});
    ToolRun run({}, server.environment());
    ASSERT_TRUE(run.readUntil([](const auto& events) { return hasEvent(events, "audio"); }, 5s));
    const auto firstAudioAt = run.events()[indexOf(run.events(), "audio")].arrivedAt;

    std::this_thread::sleep_for(14s);
    const auto resumedAt = std::chrono::steady_clock::now();
    // What waited arrives at once; then a second more of live audio.
    run.readUntil([&](const auto& events) { return events.back().arrivedAt > resumedAt + 1s; }, 5s);
    const auto& events = run.events();
    const double elapsed =
        std::chrono::duration<double>(events.back().arrivedAt - firstAudioAt).count();
    // Less what is still on its way: a 4096-frame buffer is 85 ms.
    EXPECT_NEAR(audioSeconds(events), elapsed, 0.3);
    for (const auto& event : events) {
        EXPECT_NE(event.type, "error") << event.line;
        EXPECT_EQ(event.line.find(" dropped"), std::string::npos) << event.line;
        EXPECT_EQ(event.line.find(" lost "), std::string::npos) << event.line;
    }
    expectWellFormed(run);
    run.terminate();
}

}  // namespace
}  // namespace tallwick::testing
