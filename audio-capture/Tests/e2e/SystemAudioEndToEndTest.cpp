// tallwick_audio --source system against a private sound server.
#include <gtest/gtest.h>

#include "EventChecks.h"
#include "SoundServer.h"
#include "Tone.h"

namespace tallwick::testing {
namespace {

constexpr int playRate = 48000;
// Ranks above the other null sinks, so the server falls back to it when the
// default sink goes: PulseAudio ranks by the device's class and form factor,
// PipeWire (WirePlumber) by the session priority.
const std::string headphoneProperties =
    "device.class=sound device.form_factor=headphone priority.session=2000";

class SystemAudioEndToEndTest : public ::testing::Test {
  protected:
    std::unique_ptr<ToolRun> startTool() {
        auto run = std::make_unique<ToolRun>(std::vector<std::string>{"--source", "system"},
                                             server.environment());
        EXPECT_TRUE(run->readUntilEvent("ready", 5s));
        return run;
    }

    // Reads until `seconds` more of audio have come.
    static void readAudio(ToolRun& run, double seconds) {
        const std::size_t until = run.audioFrames() + static_cast<std::size_t>(seconds * 16000);
        run.readUntil([&](const auto&) { return run.audioFrames() >= until; }, 5s);
    }

    bool awaitTone(ToolRun& run, double frequency) {
        return run.readUntil([&](const auto& events) { return toneArrived(events, frequency); },
                             5s);
    }

    SoundServer server;
};

TEST_F(SystemAudioEndToEndTest, StreamsWhatTheDefaultSinkPlays) {
    auto run = startTool();
    const auto player = server.play("tallwick_speakers", sine(440, 3, playRate), playRate);
    EXPECT_TRUE(awaitTone(*run, 440));
    const auto processorAtTone = run->processorTime();
    const auto toneAt = std::chrono::steady_clock::now();
    readAudio(*run, 2.0);
    // Between buffers the tool sleeps: a timer or a loop that spins takes a whole core.
    EXPECT_LT(run->processorTime() - processorAtTone,
              (std::chrono::steady_clock::now() - toneAt) / 4);
    // Fragments of about 20 ms, without gaps. (PipeWire drops what its graph
    // could not process in time on a loaded machine, for every client alike.)
    if (server.kind() == SoundServer::Kind::pulseaudio) {
        expectAudioCoversItsTime(run->events(), 0.06);
    }
    run->terminate();
    run->readToEnd(2s);

    const auto& events = run->events();
    ASSERT_FALSE(events.empty());
    EXPECT_EQ(events.front().type, "log");
    EXPECT_EQ(events.front().message, screenPermissionLog);
    EXPECT_LT(indexOf(events, "log", screenPermissionLog), indexOf(events, "ready"));
    EXPECT_EQ(events[indexOf(events, "ready")].message, "Capturing system audio at 16 kHz mono");
    EXPECT_TRUE(hasEvent(events, "log", "Input audio: 16000.0 Hz, 1 ch, 1"));
    EXPECT_FALSE(hasEvent(events, "error"));
    expectWellFormed(*run);
    expectLevelsRideOnAudio(events);
    EXPECT_EQ(run->standardError(), "");
}

TEST_F(SystemAudioEndToEndTest, EndsWithOneErrorWhenTheServerDies) {
    auto run = startTool();
    expectOneErrorWhenTheServerDies(*run, server);
    EXPECT_EQ(run->standardError(), "");
}

TEST_F(SystemAudioEndToEndTest, FollowsTheDefaultSinkWhenItChanges) {
    server.loadSink("tallwick_headphones");
    auto run = startTool();
    const auto onHeadphones = server.play("tallwick_headphones", sine(660, 6, playRate), playRate);
    readAudio(*run, 1.0);
    server.setDefaultSink("tallwick_headphones");
    EXPECT_TRUE(awaitTone(*run, 660));
    readAudio(*run, 1.0);
    // A change of sink costs at most a few fragments (on PulseAudio; see above).
    if (server.kind() == SoundServer::Kind::pulseaudio) {
        expectAudioCoversItsTime(run->events(), 0.1);
    }
    EXPECT_FALSE(hasEvent(run->events(), "error"));
}

TEST_F(SystemAudioEndToEndTest, ContinuesOnTheNewDefaultSinkWhenItsSinkVanishes) {
    server.loadSink("tallwick_headphones", headphoneProperties);
    auto run = startTool();
    const auto intoMicrophone = server.play("tallwick_mic_feed", sine(1000, 6, playRate), playRate);
    const auto onHeadphones = server.play("tallwick_headphones", sine(660, 6, playRate), playRate);
    ASSERT_TRUE(run->readUntilEvent("audio", 5s));

    server.unloadSink("tallwick_speakers");
    EXPECT_TRUE(awaitTone(*run, 660));
    // Another second of what is now captured, to give a wrong move time to show.
    readAudio(*run, 1.0);
    EXPECT_FALSE(hasEvent(run->events(), "error"));
    EXPECT_LT(peakToneShare(run->audio(), 16000, 1000, 1600), 0.1) << "the microphone was recorded";
}

TEST_F(SystemAudioEndToEndTest, EndsWithAnErrorRatherThanRecordTheMicrophoneWhenNoSinkIsLeft) {
    // A microphone of its own, not fed from any sink, as the default source:
    // where PulseAudio would move a movable stream whose sink vanished.
    // (PipeWire would move it to another sink's monitor; there is none left.)
    // PipeWire's pulse server has no tone source: there the microphone is silent.
    if (server.kind() == SoundServer::Kind::pulseaudio) {
        server.pactl({"load-module", "module-sine-source", "source_name=tallwick_sine_mic",
                      "frequency=1000"});
    } else {
        server.pactl({"load-module", "module-null-sink", "sink_name=tallwick_sine_mic",
                      "sink_properties=media.class=Audio/Source/Virtual"});
    }
    server.pactl({"set-default-source", "tallwick_sine_mic"});
    auto run = startTool();
    ASSERT_TRUE(run->readUntilEvent("audio", 5s));
    server.unloadSink("tallwick_latency_sink");
    server.unloadSink("tallwick_mic_feed");
    server.unloadSink("tallwick_speakers");
    expectEndsWithOneError(*run, 3s, "Entity killed");
    EXPECT_LT(peakToneShare(run->audio(), 16000, 1000, 1600), 0.1) << "the microphone was recorded";
}

}  // namespace
}  // namespace tallwick::testing
