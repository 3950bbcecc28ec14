// tallwick_audio while its reader stops reading for longer than the captured
// audio the tool keeps waiting for it (60 s): the oldest goes, the tool says
// how much, and its memory stays bounded.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <thread>

#include "EventChecks.h"
#include "SoundServer.h"

namespace tallwick::testing {
namespace {

// Kilobytes of a /proc/PID/status field such as "VmRSS" or "VmHWM".
long statusKilobytes(pid_t pid, const std::string& field) {
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    for (std::string line; std::getline(status, line);) {
        if (line.rfind(field + ":", 0) == 0) {
            return std::stol(line.substr(field.size() + 1));
        }
    }
    return -1;
}

double audioSeconds(const std::vector<Event>& events, std::size_t end) {
    double seconds = 0;
    for (std::size_t i = 0; i < end; ++i) {
        if (events[i].type == "audio" && events[i].data) {
            seconds += static_cast<double>(decodeBase64(*events[i].data).value_or("").size()) / 32000;
        }
    }
    return seconds;
}

TEST(ReaderPausedEndToEndTest, DropsOnlyWhatItReportsAndKeepsItsMemoryBounded) {
    SoundServer server;
    // A 48 kHz stereo microphone: 384 kB of captured audio a second.
    server.loadSink("tallwick_stereo_feed");
    server.pactl({"load-module", "module-remap-source", "master=tallwick_stereo_feed.monitor",
                  "source_name=tallwick_stereo_mic", "format=float32le", "rate=48000", "channels=2"});
    server.pactl({"set-default-source", "tallwick_stereo_mic"});
    ToolRun run({}, server.environment());
    ASSERT_TRUE(run.readUntil([](const auto& events) { return hasEvent(events, "audio"); }, 5s));
    ASSERT_TRUE(hasEvent(run.events(), "log", "Mic input: 48000.0 Hz, 2 ch"));
    const auto firstAudioAt = run.events()[indexOf(run.events(), "audio")].arrivedAt;
    [[maybe_unused]] const long steadyKilobytes = statusKilobytes(run.pid(), "VmRSS");

    // The reader stops reading, past the 60 s the tool keeps.
    std::this_thread::sleep_for(64s);
    const auto isDropNotice = [](const Event& e) {
        return e.type == "log" && e.message && e.message->rfind("Reader too slow: ", 0) == 0;
    };
    ASSERT_TRUE(run.readUntil(
        [&](const auto& events) { return std::any_of(events.begin(), events.end(), isDropNotice); },
        40s));
    const auto& events = run.events();
    const std::size_t notice = static_cast<std::size_t>(
        std::find_if(events.begin(), events.end(), isDropNotice) - events.begin());
    double dropped = 0;
    ASSERT_EQ(std::sscanf(events[notice].message->c_str(), "Reader too slow: %lf s of audio dropped",
                          &dropped),
              1);

    // The notice comes once the reader has caught up: what arrived before it
    // and what it says was dropped make up all the time since capture began,
    // less what was still on its way (a 4096-frame buffer is 85 ms).
    const double elapsed =
        std::chrono::duration<double>(events[notice].arrivedAt - firstAudioAt).count();
    // 64 s, less the 60 s kept, less what the pipe and the line being written hold.
    EXPECT_GT(dropped, 1.0);
    EXPECT_LT(dropped, 4.0);
    EXPECT_NEAR(audioSeconds(events, notice) + dropped, elapsed, 0.4);
    EXPECT_FALSE(hasEvent(events, "error"));
    expectWellFormed(run);

#ifndef TALLWICK_SANITIZED_TOOL
    // 60 s of 48 kHz stereo float is 23 MB; nothing else may grow.
    EXPECT_LT(statusKilobytes(run.pid(), "VmHWM"), steadyKilobytes + 32 * 1024);
    // Once drained, the memory goes back.
    EXPECT_LT(statusKilobytes(run.pid(), "VmRSS"), steadyKilobytes + 4 * 1024);
#endif
    run.terminate();
}

}  // namespace
}  // namespace tallwick::testing
