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
                  "source_name=tallwick_stereo_mic", "format=float32le", "rate=48000",
                  "channels=2"});
    server.pactl({"set-default-source", "tallwick_stereo_mic"});
    ToolRun run({}, server.environment());
    ASSERT_TRUE(run.readUntilEvent("audio", 5s));
    const auto firstAudioAt = run.events().back().arrivedAt;

    std::this_thread::sleep_for(14s);
    // What waited arrives at once, and the audio catches up with the time
    // since the first: it never would, had any been lost. (Less what is still
    // on its way: a 4096-frame buffer is 85 ms.) PipeWire drops what its graph
    // could not process in time on a loaded machine, for every client alike,
    // and the tool then says how much the server lost: there only the stream
    // going on is required.
    const bool everyFrame = server.kind() == SoundServer::Kind::pulseaudio;
    std::size_t pcmBytes = 0;
    std::size_t counted = 0;
    EXPECT_TRUE(run.readUntil(
        [&](const auto& events) {
            for (; counted < events.size(); ++counted) {
                pcmBytes += events[counted].pcm.size();
            }
            const std::chrono::duration<double> elapsed =
                std::chrono::steady_clock::now() - firstAudioAt;
            return static_cast<double>(pcmBytes) / 32000 >
                   elapsed.count() - (everyFrame ? 0.3 : 5.0);
        },
        10s));
    const auto& events = run.events();
    for (const auto& event : events) {
        EXPECT_NE(event.type, "error") << event.line;
        EXPECT_EQ(event.line.find(" dropped"), std::string::npos) << event.line;
        EXPECT_TRUE(!everyFrame || event.line.find(" lost ") == std::string::npos) << event.line;
    }
    expectWellFormed(run);
    run.terminate();
}

}  // namespace
}  // namespace tallwick::testing
