// What the platform remarks about a running capture becomes a "log" line, in
// its place among the audio, and ends nothing.
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

#include "capture/MicCaptureRunner.h"
#include "capture/SystemCaptureRunner.h"
#include "support/CapturedEvents.h"
#include "support/FakeSampleBuffer.h"
#include "support/RunnerHarness.h"
#include "support/sim/SimPlatform.h"

namespace tallwick {
namespace {

using nlohmann::json;
using testing::CapturedEvents;
using testing::FakeSampleBuffer;
using testing::RunInBackground;
using testing::SimPlatform;

const AudioFormat captured(CommonFormat::float32, 48000.0, 1, false);

std::vector<double> sine(std::size_t frames) {
    std::vector<double> signal(frames);
    for (std::size_t i = 0; i < frames; ++i) {
        signal[i] = 0.5 * std::sin(2 * std::numbers::pi * 440.0 * static_cast<double>(i) / 48000.0);
    }
    return signal;
}

void deliverAudio(SimPlatform& platform, bool system) {
    const auto signal = sine(4096);
    if (system) {
        platform.deliver(std::make_shared<FakeSampleBuffer>(FakeSampleBuffer::of(captured, signal)));
        return;
    }
    auto buffer = PCMBuffer::make(captured, 4096);
    auto* samples = static_cast<float*>(buffer->mutableAudioBufferList()[0].data);
    std::copy(signal.begin(), signal.end(), samples);
    buffer->setFrameLength(4096);
    platform.tap(std::move(buffer));
}

class PlatformNoticesTest : public ::testing::TestWithParam<bool> {};

TEST_P(PlatformNoticesTest, BecomeLogLinesInOrderWithTheAudio) {
    const bool system = GetParam();
    auto platform = std::make_shared<SimPlatform>();
    CapturedEvents events;
    std::unique_ptr<CaptureRunner> runner;
    if (system) {
        runner = std::make_unique<SystemCaptureRunner>(platform);
    } else {
        runner = std::make_unique<MicCaptureRunner>(platform);
    }
    RunInBackground running(*runner);
    platform->waitUntilCapturing();
    ASSERT_TRUE(events.waitFor("ready"));
    for (int i = 0; i < 3; ++i) deliverAudio(*platform, system);
    platform->notice("Audio device suspended");
    for (int i = 0; i < 3; ++i) deliverAudio(*platform, system);
    platform->drain();
    if (system) {
        platform->stopStream(PlatformError("stopped"));
    } else {
        platform->loseMicrophone(PlatformError("stopped"));
    }
    EXPECT_EQ(running.join(), nullptr);

    const auto types = events.types();
    const auto all = events.events();
    const json notice = {{"type", "log"}, {"message", "Audio device suspended"}};
    const auto at = std::find(all.begin(), all.end(), notice);
    ASSERT_NE(at, all.end());
    EXPECT_EQ(std::count(all.begin(), all.end(), notice), 1);
    EXPECT_EQ(std::count(types.begin(), types.end(), "error"), 1);
    // The resampler may keep back a little of the first buffer, never a whole one.
    const auto split = types.begin() + (at - all.begin());
    EXPECT_GE(std::count(types.begin(), split, "audio"), 2);
    EXPECT_EQ(std::count(split, types.end(), "audio"), 3);
}

INSTANTIATE_TEST_SUITE_P(EachSource, PlatformNoticesTest, ::testing::Bool(),
                         [](const auto& info) { return info.param ? "System" : "Microphone"; });

}  // namespace
}  // namespace tallwick
