// tallwick_audio while its reader stops reading for a while: capture goes
// on, the tool keeps what the reader has not taken, and nothing is lost.
#include <gtest/gtest.h>

#include <thread>

#include "EventChecks.h"
#include "SoundServer.h"

namespace tallwick::testing {
namespace {

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

    std::this_thread::sleep_for(14s);
    const auto resumedAt = std::chrono::steady_clock::now();
    // What waited arrives at once; then a second more of live audio.
    run.readUntil([&](const auto& events) { return events.back().arrivedAt > resumedAt + 1s; }, 5s);
    const auto& events = run.events();
    // Less what is still on its way: a 4096-frame buffer is 85 ms.
    expectAudioCoversItsTime(events, 0.3, 0ms);
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
