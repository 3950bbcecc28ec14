#include <gtest/gtest.h>

#include <cmath>

#include "PlatformError.h"
#include "TallwickAudio.h"
#include "capture/MicCaptureRunner.h"
#include "capture/MicrophoneTap.h"
#include "capture/SystemCaptureRunner.h"
#include "support/CapturedEvents.h"
#include "support/sim/SimPlatform.h"

namespace tallwick {
namespace {

using nlohmann::json;
using testing::CapturedEvents;
using testing::SimPlatform;
using testing::SimScript;

json event(const std::string& type, const std::string& message) {
    return {{"type", type}, {"message", message}};
}

const json screenPermission = event("log", "Requesting screen capture permission\u2026");
const json micPermission = event("log", "Requesting microphone permission\u2026");

const std::vector<std::string> systemCalls = {
    "getShareableContent(excludeDesktopWindows=0, onScreenWindowsOnly=1)",
    "makeContentFilter(Studio Display)",
    "makeStream(capturesAudio=1, excludesCurrentProcessAudio=1, sampleRate=16000, "
    "channelCount=1)",
    "makeSerialQueue(tallwick-audio.out)",
    "addStreamOutput(audio)",
    "startCapture"};
const std::vector<std::string> micCalls = {
    "requestAccess", "makeEngine", "outputFormatForBus(0)", "installTap(0, 4096)", "start",
    "removeTap(0)",  "stop"};

// Every step where the platform can fail, and a stop that arrives while the
// capture starts: the host reads "ready" before the "error" that ends a
// capture, one "error" at most, the exact text, and the runner makes nothing
// after the failing step (and captures the first display).
TEST(CaptureRunner, EachFailureEndsWithOneErrorAndTheRightStatus) {
    const std::string refusal = "Connection refused", absent = "No such entity",
                      changed = "The input changed";
    const PlatformError lost(changed), refused(refusal), killed("Entity killed"), gone(absent);
    const std::string denied =
        "Microphone access denied. Enable it in System Settings \u2192 Privacy \u2192 Microphone.";
    const AudioFormat noRate(CommonFormat::float32, 0.0, 1, false),
        headset(CommonFormat::float32, 44100.0, 2, false);
    // The events between the permission request and the error.
    const std::vector<json> none,
        ready = {event("ready", "Capturing system audio at 16 kHz mono")},
        mic48k = {event("log", "Mic input: 48000.0 Hz, 1 ch")},
        headsetOpens = {event("log", "Mic input: 44100.0 Hz, 2 ch"),
                        event("ready", "Capturing microphone at 16 kHz mono")};
    struct Case {
        bool system;
        SimScript script;
        int status;
        std::vector<json> between;
        std::string error;
        std::size_t calls;
    };
    const Case cases[] = {
        {true, {.displays = {}}, 1, none, "No display available for audio capture.", 1},
        {true, {.contentError = PlatformError("Access denied")}, 1, none, "Access denied", 1},
        {true, {.addOutputError = PlatformError("No output")}, 1, none, "No output", 5},
        {true, {.startError = refused}, 1, none, refusal, 6},
        {true, {.stopBeforeStartCompletes = killed}, 0, ready, "Entity killed", 6},
        {true, {.startError = refused, .stopBeforeStartCompletes = killed}, 1, none, refusal, 6},
        {false, {.microphoneAccess = false}, 1, none, denied, 1},
        // A sample rate of 0 is what an engine reports when it knows no input.
        {false, {.microphoneFormat = noRate}, 1, none, "Could not initialize audio converter.", 3},
        {false, {.engineStartError = gone}, 1, mic48k, absent, 5},
        // A headset that switches profile as the microphone opens.
        {false,
         {.microphoneFormat = headset, .engineStopWhileStarting = lost},
         0,
         headsetOpens,
         changed,
         7},
        {false, {.engineStartError = gone, .engineStopWhileStarting = lost}, 1, mic48k, absent, 5},
    };
    for (const auto& c : cases) {
        auto platform = std::make_shared<SimPlatform>(c.script);
        CapturedEvents captured;
        const std::vector<std::string> arguments = {"tallwick_audio", "--source",
                                                    c.system ? "system" : "mic"};
        EXPECT_EQ(TallwickAudio::main(
                      arguments, {[&] { return std::make_unique<SystemCaptureRunner>(platform); },
                                  [&] { return std::make_unique<MicCaptureRunner>(platform); }}),
                  c.status)
            << c.error;
        std::vector<json> events = {c.system ? screenPermission : micPermission};
        events.insert(events.end(), c.between.begin(), c.between.end());
        events.push_back(event("error", c.error));
        EXPECT_EQ(captured.events(), events);
        const auto& all = c.system ? systemCalls : micCalls;
        EXPECT_EQ(platform->calls(), std::vector<std::string>(all.begin(), all.begin() + c.calls))
            << c.error;
    }
}

TEST(MicrophoneTapCapacity, RoundsUpAndAddsSixtyFour) {
    struct Case {
        std::uint32_t frames;
        double inputRate;
        std::uint32_t capacity;
    };
    // Rates no stream has give no capacity instead of undefined behaviour.
    const Case cases[] = {{4800, 48000, 1664},     {4096, 48000, 1430},  {4096, 44100, 1551},
                          {0, 48000, 64},          {4096, 0, 0},         {4096, -1, 0},
                          {4096, std::nan(""), 0}, {0xFFFFFFFF, 1e-3, 0}};
    for (const auto& c : cases) {
        EXPECT_EQ(MicrophoneTap::outputCapacity(c.frames, 16000, c.inputRate), c.capacity)
            << c.frames << " at " << c.inputRate;
    }
}

}  // namespace
}  // namespace tallwick
