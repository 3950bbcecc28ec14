#include "capture/SystemCaptureRunner.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

#include "CaptureError.h"
#include "PlatformError.h"
#include "TallwickAudio.h"
#include "support/CapturedEvents.h"
#include "support/RunnerHarness.h"
#include "support/sim/SimPlatform.h"
#include "support/FakeSampleBuffer.h"

namespace tallwick {
namespace {

using nlohmann::json;
using testing::CapturedEvents;
using testing::RunInBackground;
using testing::SimPlatform;
using testing::FakeSampleBuffer;
using testing::SimScript;

const json permissionLog = {{"type", "log"}, {"message", "Requesting screen capture permission\u2026"}};
const json ready = {{"type", "ready"}, {"message", "Capturing system audio at 16 kHz mono"}};

json errorEvent(const std::string& message) { return {{"type", "error"}, {"message", message}}; }

// What the stream delivers: `frames` frames of a 440 Hz tone, 48 kHz stereo float32.
std::shared_ptr<const SampleBuffer> tone(std::size_t frames = 1024) {
    std::vector<double> signal(frames);
    for (std::size_t i = 0; i < frames; ++i) {
        signal[i] = 0.5 * std::sin(2 * std::numbers::pi * 440.0 * static_cast<double>(i) / 48000.0);
    }
    return std::make_shared<FakeSampleBuffer>(
        FakeSampleBuffer::of(AudioFormat(CommonFormat::float32, 48000.0, 2, true), signal));
}

template <typename Error>
Error thrownBy(CaptureRunner& runner) {
    try {
        runner.run();
    } catch (const Error& error) {
        return error;
    }
    ADD_FAILURE() << "run() did not fail as expected";
    throw std::logic_error("unreachable");
}

TEST(SystemCaptureRunner, CapturesTheFirstDisplayWithTheFixedConfiguration) {
    auto platform = std::make_shared<SimPlatform>(
        SimScript{.displays = {"Studio Display", "Built-in Display"}});
    CapturedEvents events;
    SystemCaptureRunner runner(platform);
    RunInBackground running(runner);
    platform->waitUntilCapturing();
    ASSERT_TRUE(events.waitFor("ready"));  // audio may overtake "ready"; keep the order simple
    platform->stopStream(PlatformError("The stream stopped."));
    EXPECT_EQ(running.join(), nullptr);

    EXPECT_EQ(platform->calls(),
              (std::vector<std::string>{
                  "getShareableContent(excludeDesktopWindows=0, onScreenWindowsOnly=1)",
                  "makeContentFilter(Studio Display)",
                  "makeStream(Studio Display, capturesAudio=1, excludesCurrentProcessAudio=1, "
                  "sampleRate=16000, channelCount=1)",
                  "makeSerialQueue(tallwick-audio.out)",
                  "addStreamOutput(audio)",
                  "startCapture",
              }));
    EXPECT_EQ(events.events(), (std::vector{permissionLog, ready, errorEvent("The stream stopped.")}));
}

TEST(SystemCaptureRunner, EachAudioBufferBecomesOneAudioEventAfterItsLevel) {
    auto platform = std::make_shared<SimPlatform>();
    CapturedEvents events;
    SystemCaptureRunner runner(platform);
    RunInBackground running(runner);
    platform->waitUntilCapturing();
    ASSERT_TRUE(events.waitFor("ready"));  // audio may overtake "ready"; keep the order simple
    for (int i = 0; i < 10; ++i) {
        platform->deliver(tone());
    }
    platform->deliver(tone(), StreamOutputType::screen);
    platform->stopStream(PlatformError("Connection terminated"));
    EXPECT_EQ(running.join(), nullptr);

    const auto all = events.events();
    ASSERT_GE(all.size(), 4u);
    EXPECT_EQ(all[0], permissionLog);
    EXPECT_EQ(all[1], ready);
    EXPECT_EQ(all[2], (json{{"type", "log"}, {"message", "Input audio: 48000.0 Hz, 2 ch, 1"}}));
    EXPECT_EQ(all.back(), errorEvent("Connection terminated"));
    int audio = 0, levels = 0;
    for (std::size_t i = 3; i + 1 < all.size(); ++i) {
        const std::string type = all[i].at("type");
        if (type == "level") {
            ++levels;
            EXPECT_EQ(all[i + 1].at("type"), "audio") << "a level event not followed by its audio";
        } else {
            ASSERT_EQ(type, "audio");
            EXPECT_FALSE(all[i].contains("message"));
            ++audio;
        }
    }
    // The screen-type buffer is ignored; the resampler may hold back all of the
    // first buffer, never more; the first chunk of the process gets its level.
    EXPECT_GE(audio, 9);
    EXPECT_LE(audio, 10);
    EXPECT_GE(levels, 1);
}

TEST(SystemCaptureRunner, BuffersThatConvertToNothingWriteNothing) {
    auto platform = std::make_shared<SimPlatform>();
    CapturedEvents events;
    SystemCaptureRunner runner(platform);
    RunInBackground running(runner);
    platform->waitUntilCapturing();
    ASSERT_TRUE(events.waitFor("ready"));  // audio may overtake "ready"; keep the order simple
    auto withoutFormat = std::make_shared<FakeSampleBuffer>(
        std::nullopt, 1024, std::vector<std::vector<std::byte>>{});
    withoutFormat->setHasFormatDescription(false);
    platform->deliver(withoutFormat);
    platform->deliver(tone(0));
    platform->stopStream(PlatformError("stopped"));
    EXPECT_EQ(running.join(), nullptr);
    const auto types = events.types();
    EXPECT_EQ(std::count(types.begin(), types.end(), "audio"), 0);
    EXPECT_EQ(std::count(types.begin(), types.end(), "level"), 0);
}

// A stream may report its stop before its start completes. The host still reads
// "ready" before the "error" that ends the capture, and a start that fails as
// well gives one "error", not two.
TEST(SystemCaptureRunner, AStopBeforeTheStartCompletesIsReportedOnceAfterReady) {
    struct Case {
        std::optional<PlatformError> startError;
        int status;
        std::vector<json> events;
    };
    const Case cases[] = {
        {std::nullopt, 0, {permissionLog, ready, errorEvent("Entity killed")}},
        {PlatformError("Connection refused"), 1, {permissionLog, errorEvent("Connection refused")}},
    };
    for (const auto& c : cases) {
        auto platform = std::make_shared<SimPlatform>(SimScript{
            .startError = c.startError, .stopBeforeStartCompletes = PlatformError("Entity killed")});
        CapturedEvents events;
        const std::vector<std::string> arguments = {"tallwick_audio", "--source", "system"};
        const int status = TallwickAudio::main(
            arguments, {[&] { return std::make_unique<SystemCaptureRunner>(platform); }, nullptr});
        EXPECT_EQ(status, c.status);
        EXPECT_EQ(events.events(), c.events);
    }
}

TEST(SystemCaptureRunnerFailures, NoDisplayFailsAfterOnlyThePermissionLog) {
    auto platform = std::make_shared<SimPlatform>(SimScript{.displays = {}});
    CapturedEvents events;
    SystemCaptureRunner runner(platform);
    EXPECT_EQ(thrownBy<CaptureError>(runner), CaptureError::noDisplay());
    EXPECT_EQ(events.events(), std::vector{permissionLog});
    EXPECT_EQ(platform->calls().size(), 1u) << "no stream may be made without a display";
}

TEST(SystemCaptureRunnerFailures, PlatformErrorsPassUnchanged) {
    struct Case {
        SimScript script;
        std::string message;
        std::string lastCall;
    };
    const Case cases[] = {
        {{.contentError = PlatformError("Access denied")}, "Access denied",
         "getShareableContent(excludeDesktopWindows=0, onScreenWindowsOnly=1)"},
        {{.addOutputError = PlatformError("No output")}, "No output", "addStreamOutput(audio)"},
        {{.startError = PlatformError("Connection refused")}, "Connection refused", "startCapture"},
    };
    for (const auto& c : cases) {
        auto platform = std::make_shared<SimPlatform>(c.script);
        CapturedEvents events;
        SystemCaptureRunner runner(platform);
        EXPECT_EQ(thrownBy<PlatformError>(runner).localizedDescription(), c.message);
        EXPECT_EQ(events.events(), std::vector{permissionLog}) << "no ready after a failure";
        EXPECT_EQ(platform->calls().back(), c.lastCall);
    }
}

}  // namespace
}  // namespace tallwick
