#include "EventChecks.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "Tone.h"

namespace tallwick::testing {

void expectSetupFailure(const std::vector<std::string>& source,
                        const std::vector<std::string>& environment, const std::string& message) {
    const auto startedAt = std::chrono::steady_clock::now();
    ToolRun run(source, environment);
    run.readToEnd(10s);
    EXPECT_EQ(run.exitStatus(2s), 1);
    EXPECT_LT(std::chrono::steady_clock::now() - startedAt, 10s);
    ASSERT_EQ(run.types(), (std::vector<std::string>{"log", "error"}));
    EXPECT_EQ(run.events()[0].message,
              source.empty() ? microphonePermissionLog : screenPermissionLog);
    EXPECT_EQ(run.events()[1].message, message);
    expectWellFormed(run);
    expectNothingOnStandardError(run);
}

void expectWellFormed(const ToolRun& run) {
    for (const auto& problem : run.malformed()) {
        ADD_FAILURE() << problem;
    }
}

void expectNothingOnStandardError([[maybe_unused]] const ToolRun& run) {
#ifndef TALLWICK_SANITIZED_TOOL
    EXPECT_EQ(run.standardError(), "");
#endif
}

void expectLevelsRideOnAudio(const std::vector<Event>& events) {
    std::size_t levels = 0;
    std::size_t audioBytes = 0;
    for (std::size_t i = 0; i < events.size(); ++i) {
        audioBytes += events[i].pcm.size();
        if (events[i].type != "level") {
            continue;
        }
        ++levels;
        if (i + 1 < events.size()) {
            EXPECT_EQ(events[i + 1].type, "audio")
                << "level line " << i << " is not followed by audio";
        }
    }
    const double audioSeconds = static_cast<double>(audioBytes) / 2 / 16000;
    EXPECT_GT(levels, 0u);
    EXPECT_LE(static_cast<double>(levels), audioSeconds / 0.07 + 1)
        << levels << " level lines for " << audioSeconds << " s of audio";
}

bool toneArrived(const std::vector<Event>& events, double frequency) {
    constexpr std::size_t window = 3200;
    std::vector<float> newest;
    for (auto event = events.rbegin(); event != events.rend() && newest.size() < window; ++event) {
        const auto samples = fromPCM16(event->pcm);
        newest.insert(newest.begin(), samples.begin(), samples.end());
    }
    if (newest.size() < window) {
        return false;
    }
    const std::span<const float> last = std::span(newest).last(window);
    return rms(last) > 0.05 && toneShare(last, 16000, frequency) > 0.8;
}

void expectAudioCoversItsTime(const std::vector<Event>& events, double tolerance) {
    const std::size_t first = indexOf(events, "audio");
    ASSERT_LT(first, events.size());
    std::optional<std::chrono::steady_clock::time_point> from;
    double audio = 0;
    for (std::size_t i = first; i < events.size(); ++i) {
        if (!from) {
            if (events[i].arrivedAt - events[first].arrivedAt >= 500ms) {
                from = events[i].arrivedAt;
            }
        } else {
            audio += static_cast<double>(events[i].pcm.size()) / 32000;
        }
    }
    ASSERT_TRUE(from);
    const double elapsed = std::chrono::duration<double>(events.back().arrivedAt - *from).count();
    EXPECT_GT(elapsed, 1.0);
    EXPECT_NEAR(audio, elapsed, tolerance);
}

void expectOneErrorWhenTheServerDies(ToolRun& run, SoundServer& server) {
    ASSERT_TRUE(run.readUntilEvent("audio", 5s));
    const auto killedAt = std::chrono::steady_clock::now();
    server.kill();
    expectEndsWithOneError(run, 1s, "Connection terminated");
    EXPECT_LT(std::chrono::steady_clock::now() - killedAt, 1s);
    expectWellFormed(run);
}

void expectEndsWithOneError(ToolRun& run, std::chrono::milliseconds within,
                            const std::string& message) {
    // Read while waiting: a tool whose output nobody reads blocks on it, and
    // its last line would wait behind the audio it has yet to write.
    EXPECT_TRUE(run.readToEnd(within));
    EXPECT_EQ(run.exitStatus(1s), 0);
    const auto& events = run.events();
    EXPECT_EQ(std::count_if(events.begin(), events.end(),
                            [](const Event& e) { return e.type == "error"; }),
              1);
    ASSERT_FALSE(events.empty());
    EXPECT_EQ(events.back().type, "error");
    EXPECT_EQ(events.back().message, message);
}

}  // namespace tallwick::testing
