#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <numbers>
#include <thread>

#include "PlatformError.h"
#include "TallwickAudio.h"
#include "capture/MicCaptureRunner.h"
#include "capture/MicrophoneTap.h"
#include "capture/SystemCaptureRunner.h"
#include "support/CapturedEvents.h"
#include "support/FakeSampleBuffer.h"
#include "support/sim/SimPlatform.h"

namespace tallwick {
namespace {

using nlohmann::json;
using testing::CapturedEvents;
using testing::FakeSampleBuffer;
using testing::SimPlatform;
using testing::SimScript;

json event(const std::string& type, const std::string& message) {
    return {{"type", type}, {"message", message}};
}

const json screenPermission = event("log", "Requesting screen capture permission\u2026");
const json micPermission = event("log", "Requesting microphone permission\u2026");
const json systemReady = event("ready", "Capturing system audio at 16 kHz mono");
const json micReady = event("ready", "Capturing microphone at 16 kHz mono");
const json micInput48k = event("log", "Mic input: 48000.0 Hz, 1 ch");
const std::string contentQuery = "getShareableContent(excludeDesktopWindows=0, onScreenWindowsOnly=1)";

struct Outcome {
    int status;
    std::vector<json> events;
    std::vector<std::string> calls;
};

// The whole tool on the simulated platform. With `whileCapturing`, the test
// acts once "ready" is out and is expected to end the capture.
Outcome runTool(bool system, const SimScript& script,
                const std::function<void(SimPlatform&)>& whileCapturing = {}) {
    auto platform = std::make_shared<SimPlatform>(script);
    CapturedEvents captured;
    int status = -1;
    std::thread tool([&] {
        const std::vector<std::string> arguments = {"tallwick_audio", "--source",
                                                    system ? "system" : "mic"};
        status = TallwickAudio::main(
            arguments, {[&] { return std::make_unique<SystemCaptureRunner>(platform); },
                        [&] { return std::make_unique<MicCaptureRunner>(platform); }});
    });
    if (whileCapturing) {
        platform->waitUntilCapturing();
        // Audio may overtake "ready"; waiting for it keeps the order simple.
        EXPECT_TRUE(captured.waitFor("ready"));
        whileCapturing(*platform);
    }
    tool.join();
    return {status, captured.events(), platform->calls()};
}

// Every step where the platform can fail, and a stop that arrives before the
// start completes: the host reads "ready" before the "error" that ends a
// capture, one "error" at most, the exact text, and nothing made after the
// failing step.
TEST(CaptureRunnerSetup, EachFailureEndsWithOneErrorAndTheRightStatus) {
    const PlatformError lost("The input changed");
    struct Case {
        bool system;
        SimScript script;
        int status;
        std::vector<json> events;
        std::string lastCall;
    };
    const Case cases[] = {
        {true, {.displays = {}}, 1,
         {screenPermission, event("error", "No display available for audio capture.")},
         contentQuery},
        {true, {.contentError = PlatformError("Access denied")}, 1,
         {screenPermission, event("error", "Access denied")}, contentQuery},
        {true, {.addOutputError = PlatformError("No output")}, 1,
         {screenPermission, event("error", "No output")}, "addStreamOutput(audio)"},
        {true, {.startError = PlatformError("Connection refused")}, 1,
         {screenPermission, event("error", "Connection refused")}, "startCapture"},
        {true, {.stopBeforeStartCompletes = PlatformError("Entity killed")}, 0,
         {screenPermission, systemReady, event("error", "Entity killed")}, "startCapture"},
        {true,
         {.startError = PlatformError("Connection refused"),
          .stopBeforeStartCompletes = PlatformError("Entity killed")},
         1, {screenPermission, event("error", "Connection refused")}, "startCapture"},
        {false, {.microphoneAccess = false}, 1,
         {micPermission, event("error", "Microphone access denied. Enable it in System Settings "
                                        "\u2192 Privacy \u2192 Microphone.")},
         "requestAccess"},
        // A sample rate of 0 is what an engine reports when it knows no input.
        {false, {.microphoneFormat = AudioFormat(CommonFormat::float32, 0.0, 1, false)}, 1,
         {micPermission, event("error", "Could not initialize audio converter.")},
         "outputFormatForBus(0)"},
        {false, {.engineStartError = PlatformError("No such entity")}, 1,
         {micPermission, micInput48k, event("error", "No such entity")}, "start"},
        // A headset that switches profile as the microphone opens.
        {false, {.engineStopWhileStarting = lost}, 0,
         {micPermission, micInput48k, micReady, event("error", "The input changed")}, "stop"},
        {false, {.engineStartError = PlatformError("No such entity"), .engineStopWhileStarting = lost},
         1, {micPermission, micInput48k, event("error", "No such entity")}, "start"},
    };
    for (const auto& c : cases) {
        const auto outcome = runTool(c.system, c.script);
        EXPECT_EQ(outcome.status, c.status) << c.events.back();
        EXPECT_EQ(outcome.events, c.events);
        ASSERT_FALSE(outcome.calls.empty());
        EXPECT_EQ(outcome.calls.back(), c.lastCall) << c.events.back();
    }
}

// The audio events after "ready" and before the closing "error": each level
// directly before an audio event. Returns the PCM bytes they carry.
std::size_t audioBytesBetween(const std::vector<json>& events, std::size_t first, int& audio,
                              int& levels) {
    std::size_t bytes = 0;
    for (std::size_t i = first; i + 1 < events.size(); ++i) {
        if (events[i].at("type") == "level") {
            ++levels;
            EXPECT_EQ(events[i + 1].at("type"), "audio") << "a level not followed by its audio";
            continue;
        }
        EXPECT_EQ(events[i].at("type"), "audio");
        EXPECT_FALSE(events[i].contains("message"));
        ++audio;
        const std::string data = events[i].at("data");
        bytes += data.size() / 4 * 3 - static_cast<std::size_t>(std::count(data.end() - 2, data.end(), '='));
    }
    return bytes;
}

std::vector<double> sine(double hz, double rate, std::size_t frames) {
    std::vector<double> samples(frames);
    for (std::size_t i = 0; i < frames; ++i) {
        samples[i] = 0.5 * std::sin(2 * std::numbers::pi * hz * static_cast<double>(i) / rate);
    }
    return samples;
}

TEST(SystemCaptureRunner, CapturesTheFirstDisplayAndTurnsEachAudioBufferIntoOneEvent) {
    const AudioFormat format(CommonFormat::float32, 48000.0, 2, true);
    const auto buffer = std::make_shared<FakeSampleBuffer>(FakeSampleBuffer::of(format, sine(440, 48000, 1024)));
    auto withoutFormat = std::make_shared<FakeSampleBuffer>(std::nullopt, 1024,
                                                            std::vector<std::vector<std::byte>>{});
    withoutFormat->setHasFormatDescription(false);
    auto empty = std::make_shared<FakeSampleBuffer>(FakeSampleBuffer::of(format, std::vector<double>{}));
    const auto outcome = runTool(
        true, {.displays = {"Studio Display", "Built-in Display"}}, [&](SimPlatform& platform) {
            for (int i = 0; i < 10; ++i) platform.deliver(buffer);
            // Neither screen frames nor buffers that convert to nothing write anything.
            platform.deliver(buffer, StreamOutputType::screen);
            platform.deliver(withoutFormat);
            platform.deliver(empty);
            platform.stopStream(PlatformError("Connection terminated"));
        });
    EXPECT_EQ(outcome.status, 0);
    EXPECT_EQ(outcome.calls,
              (std::vector<std::string>{
                  contentQuery, "makeContentFilter(Studio Display)",
                  "makeStream(Studio Display, capturesAudio=1, excludesCurrentProcessAudio=1, "
                  "sampleRate=16000, channelCount=1)",
                  "makeSerialQueue(tallwick-audio.out)", "addStreamOutput(audio)", "startCapture"}));
    const auto& all = outcome.events;
    ASSERT_GE(all.size(), 4u);
    EXPECT_EQ(all[0], screenPermission);
    EXPECT_EQ(all[1], systemReady);
    EXPECT_EQ(all[2], event("log", "Input audio: 48000.0 Hz, 2 ch, 1"));
    EXPECT_EQ(all.back(), event("error", "Connection terminated"));
    int audio = 0, levels = 0;
    audioBytesBetween(all, 3, audio, levels);
    // The resampler may hold back all of the first buffer, never more; the
    // first chunk of the process gets its level.
    EXPECT_GE(audio, 9);
    EXPECT_LE(audio, 10);
    EXPECT_GE(levels, 1);
}

TEST(MicCaptureRunner, CapturesUntilTheInputIsLost) {
    const AudioFormat format{CommonFormat::float32, 44100.0, 2, false};
    std::shared_ptr<PCMBuffer> buffer = PCMBuffer::make(format, 4096);
    for (auto& region : buffer->mutableAudioBufferList()) {
        const auto samples = sine(1000, 44100, 4096);
        std::copy(samples.begin(), samples.end(), static_cast<float*>(region.data));
    }
    buffer->setFrameLength(4096);
    const auto outcome = runTool(false, {.microphoneFormat = format}, [&](SimPlatform& platform) {
        for (int i = 0; i < 5; ++i) platform.tap(buffer);
        platform.loseMicrophone(PlatformError("Connection terminated"));
    });
    EXPECT_EQ(outcome.status, 0);
    EXPECT_EQ(outcome.calls, (std::vector<std::string>{"requestAccess", "makeEngine",
                                                       "outputFormatForBus(0)",
                                                       "installTap(0, 4096)", "start",
                                                       "removeTap(0)", "stop"}));
    const auto& all = outcome.events;
    ASSERT_GE(all.size(), 4u);
    EXPECT_EQ(all[0], micPermission);
    EXPECT_EQ(all[1], event("log", "Mic input: 44100.0 Hz, 2 ch"));
    EXPECT_EQ(all[2], micReady);
    EXPECT_EQ(all.back(), event("error", "Connection terminated"));
    int audio = 0, levels = 0;
    const std::size_t pcmBytes = audioBytesBetween(all, 3, audio, levels);
    EXPECT_EQ(audio, 5);
    // 5 × 4096 frames at 44.1 kHz are 7430.8 frames at 16 kHz; the resampler
    // keeps back no more than its delay (about 30 ms), far less than one buffer.
    EXPECT_EQ(pcmBytes % 2, 0u);
    EXPECT_LE(pcmBytes / 2, 7431u);
    EXPECT_GE(pcmBytes / 2, 7431u - 600u);
}

TEST(MicrophoneTapCapacity, RoundsUpAndAddsSixtyFour) {
    struct Case {
        std::uint32_t frames;
        double inputRate;
        std::uint32_t capacity;
    };
    // Rates no stream has give no capacity instead of undefined behaviour.
    const Case cases[] = {{4800, 48000, 1664}, {4096, 48000, 1430}, {4096, 44100, 1551},
                          {0, 48000, 64},      {4096, 0, 0},        {4096, -1, 0},
                          {4096, std::nan(""), 0}, {0xFFFFFFFF, 1e-3, 0}};
    for (const auto& c : cases) {
        EXPECT_EQ(MicrophoneTap::outputCapacity(c.frames, 16000, c.inputRate), c.capacity)
            << c.frames << " at " << c.inputRate;
    }
}

}  // namespace
}  // namespace tallwick
