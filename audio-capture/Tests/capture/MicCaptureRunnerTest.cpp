#include "capture/MicCaptureRunner.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

#include "CaptureError.h"
#include "PlatformError.h"
#include "TallwickAudio.h"
#include "capture/MicrophoneTap.h"
#include "support/CapturedEvents.h"
#include "support/RunnerHarness.h"
#include "support/sim/SimPlatform.h"

namespace tallwick {
namespace {

using nlohmann::json;
using testing::CapturedEvents;
using testing::RunInBackground;
using testing::SimPlatform;
using testing::SimScript;

const json permissionLog = {{"type", "log"}, {"message", "Requesting microphone permission\u2026"}};
const json ready = {{"type", "ready"}, {"message", "Capturing microphone at 16 kHz mono"}};

json logEvent(const std::string& message) { return {{"type", "log"}, {"message", message}}; }

// A 4096-frame tap buffer of a 1 kHz sine in every channel, non-interleaved float32.
std::shared_ptr<PCMBuffer> tapBuffer(const AudioFormat& format, std::uint32_t frames = 4096) {
    auto buffer = PCMBuffer::make(format, frames);
    for (auto& region : buffer->mutableAudioBufferList()) {
        auto* samples = static_cast<float*>(region.data);
        for (std::uint32_t i = 0; i < frames; ++i) {
            samples[i] = static_cast<float>(
                0.5 * std::sin(2 * std::numbers::pi * 1000.0 * i / format.sampleRate()));
        }
    }
    buffer->setFrameLength(frames);
    return buffer;
}

std::exception_ptr failureOf(MicCaptureRunner& runner) {
    try {
        runner.run();
    } catch (...) {
        return std::current_exception();
    }
    return nullptr;
}

TEST(MicCaptureRunner, CapturesUntilTheInputIsLost) {
    auto platform = std::make_shared<SimPlatform>();
    CapturedEvents events;
    MicCaptureRunner runner(platform);
    RunInBackground running(runner);
    platform->waitUntilCapturing();
    ASSERT_TRUE(events.waitFor("ready"));  // audio may overtake "ready"; keep the order simple
    const AudioFormat format{CommonFormat::float32, 48000.0, 1, false};
    for (int i = 0; i < 5; ++i) platform->tap(tapBuffer(format));
    platform->loseMicrophone(PlatformError("Connection terminated"));
    EXPECT_EQ(running.join(), nullptr);

    EXPECT_EQ(platform->calls(), (std::vector<std::string>{"requestAccess", "makeEngine",
                                                           "outputFormatForBus(0)",
                                                           "installTap(0, 4096)", "start",
                                                           "removeTap(0)", "stop"}));
    const auto all = events.events();
    ASSERT_GE(all.size(), 4u);
    EXPECT_EQ(all[0], permissionLog);
    EXPECT_EQ(all[1], logEvent("Mic input: 48000.0 Hz, 1 ch"));
    EXPECT_EQ(all[2], ready);
    EXPECT_EQ(all.back(), (json{{"type", "error"}, {"message", "Connection terminated"}}));
    std::size_t pcmBytes = 0;
    int audio = 0;
    for (std::size_t i = 3; i + 1 < all.size(); ++i) {
        if (all[i].at("type") == "level") {
            EXPECT_EQ(all[i + 1].at("type"), "audio");
            continue;
        }
        ASSERT_EQ(all[i].at("type"), "audio");
        ++audio;
        const std::string data = all[i].at("data");
        pcmBytes += data.size() / 4 * 3 - std::count(data.end() - 2, data.end(), '=');
    }
    EXPECT_EQ(audio, 5);
    // 5 × 4096 frames at 48 kHz are 6826⅔ frames at 16 kHz; the resampler keeps
    // back no more than its delay (about 30 ms), far less than one buffer.
    EXPECT_EQ(pcmBytes % 2, 0u);
    EXPECT_LE(pcmBytes / 2, 6827u);
    EXPECT_GE(pcmBytes / 2, 6827u - 600u);
}

TEST(MicCaptureRunner, TheInputFormatLineNamesRateAndChannels) {
    auto platform = std::make_shared<SimPlatform>(
        SimScript{.microphoneFormat = AudioFormat(CommonFormat::float32, 44100.0, 2, false)});
    CapturedEvents events;
    MicCaptureRunner runner(platform);
    RunInBackground running(runner);
    platform->waitUntilCapturing();
    ASSERT_TRUE(events.waitFor("ready"));  // audio may overtake "ready"; keep the order simple
    platform->loseMicrophone(PlatformError("gone"));
    running.join();
    EXPECT_EQ(events.events().at(1), logEvent("Mic input: 44100.0 Hz, 2 ch"));
}

TEST(MicCaptureRunnerFailures, RefusedAccessMakesNoEngine) {
    auto platform = std::make_shared<SimPlatform>(SimScript{.microphoneAccess = false});
    CapturedEvents events;
    MicCaptureRunner runner(platform);
    try {
        std::rethrow_exception(failureOf(runner));
    } catch (const CaptureError& error) {
        EXPECT_EQ(error, CaptureError::micDenied());
    }
    EXPECT_EQ(events.events(), std::vector{permissionLog});
    EXPECT_EQ(platform->calls(), std::vector<std::string>{"requestAccess"});
}

TEST(MicCaptureRunnerFailures, AnUnconvertibleInputInstallsNoTap) {
    // A sample rate of 0 is what the engine reports when it knows no input.
    auto platform = std::make_shared<SimPlatform>(
        SimScript{.microphoneFormat = AudioFormat(CommonFormat::float32, 0.0, 1, false)});
    CapturedEvents events;
    MicCaptureRunner runner(platform);
    try {
        std::rethrow_exception(failureOf(runner));
    } catch (const CaptureError& error) {
        EXPECT_EQ(error, CaptureError::converterFailed());
    }
    EXPECT_EQ(events.events(), std::vector{permissionLog});
    EXPECT_EQ(platform->calls(), (std::vector<std::string>{"requestAccess", "makeEngine",
                                                           "outputFormatForBus(0)"}));
}

TEST(MicCaptureRunnerFailures, AnEngineThatWillNotStartFailsWithItsOwnError) {
    auto platform = std::make_shared<SimPlatform>(
        SimScript{.engineStartError = PlatformError("No such entity")});
    CapturedEvents events;
    MicCaptureRunner runner(platform);
    try {
        std::rethrow_exception(failureOf(runner));
    } catch (const PlatformError& error) {
        EXPECT_EQ(error.localizedDescription(), "No such entity");
    }
    EXPECT_EQ(events.events(), (std::vector{permissionLog, logEvent("Mic input: 48000.0 Hz, 1 ch")}));
    EXPECT_EQ(platform->calls().back(), "start");
}

// An engine may lose its input while it is still starting (a headset that
// switches profile as the microphone opens). That ends the capture once it has
// been announced, and is dropped when the start fails: one "error" either way.
TEST(MicCaptureRunnerFailures, AnInputLostWhileStartingIsReportedOnceAfterReady) {
    const json micLog = logEvent("Mic input: 48000.0 Hz, 1 ch");
    const json lost = {{"type", "error"}, {"message", "The input changed"}};
    struct Case {
        std::optional<PlatformError> startError;
        int status;
        std::vector<json> events;
    };
    const Case cases[] = {
        {std::nullopt, 0, {permissionLog, micLog, ready, lost}},
        {PlatformError("No such entity"), 1,
         {permissionLog, micLog, {{"type", "error"}, {"message", "No such entity"}}}},
    };
    for (const auto& c : cases) {
        auto platform = std::make_shared<SimPlatform>(
            SimScript{.engineStartError = c.startError,
                      .engineStopWhileStarting = PlatformError("The input changed")});
        CapturedEvents events;
        const std::vector<std::string> arguments = {"tallwick_audio"};
        const int status = TallwickAudio::main(
            arguments, {nullptr, [&] { return std::make_unique<MicCaptureRunner>(platform); }});
        EXPECT_EQ(status, c.status);
        EXPECT_EQ(events.events(), c.events);
    }
}

TEST(MicrophoneTapCapacity, RoundsUpAndAddsSixtyFour) {
    EXPECT_EQ(MicrophoneTap::outputCapacity(4800, 16000, 48000), 1664u);
    EXPECT_EQ(MicrophoneTap::outputCapacity(4096, 16000, 48000), 1430u);
    EXPECT_EQ(MicrophoneTap::outputCapacity(4096, 16000, 44100), 1551u);
    EXPECT_EQ(MicrophoneTap::outputCapacity(0, 16000, 48000), 64u);
    // Rates no stream has give no capacity instead of undefined behaviour.
    EXPECT_EQ(MicrophoneTap::outputCapacity(4096, 16000, 0), 0u);
    EXPECT_EQ(MicrophoneTap::outputCapacity(4096, 16000, -1), 0u);
    EXPECT_EQ(MicrophoneTap::outputCapacity(4096, 16000, std::nan("")), 0u);
    EXPECT_EQ(MicrophoneTap::outputCapacity(0xFFFFFFFF, 16000, 1e-3), 0u);
}

TEST(EntryWithMicrophone, ARefusalEndsWithTheDeniedMessageAndStatusOne) {
    auto platform = std::make_shared<SimPlatform>(SimScript{.microphoneAccess = false});
    CapturedEvents events;
    const std::vector<std::string> arguments = {"tallwick_audio", "--source", "speaker"};
    const int status = TallwickAudio::main(
        arguments, {nullptr, [&] { return std::make_unique<MicCaptureRunner>(platform); }});
    EXPECT_EQ(status, 1);
    EXPECT_EQ(events.lines(),
              (std::vector<std::string>{
                  "{\"type\":\"log\",\"message\":\"Requesting microphone permission\xE2\x80\xA6\"}",
                  "{\"type\":\"error\",\"message\":\"Microphone access denied. Enable it in System "
                  "Settings \xE2\x86\x92 Privacy \xE2\x86\x92 Microphone.\"}"}));
}

}  // namespace
}  // namespace tallwick
