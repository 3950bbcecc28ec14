// The Linux capture backend against a private sound server: what only the
// backend's own interface shows. The end-to-end tests cover the rest through
// the real binary.
#include <gtest/gtest.h>

#include <future>

#include "Awaiting.h"
#include "SoundServer.h"
#include "platform/pulse/PulsePlatform.h"

namespace tallwick::testing {
namespace {

std::shared_ptr<ShareableContent> listed(PulsePlatform& platform) {
    std::promise<std::shared_ptr<ShareableContent>> answered;
    auto answer = answered.get_future();
    platform.screenCapture().getShareableContent(false, true, [&](auto content, auto error) {
        EXPECT_FALSE(error);
        answered.set_value(content);
    });
    return awaitValue(answer);
}

// Stands where the microphone runner would.
struct Receiver {
    TapBlock tap() {
        return [this](const PCMBuffer& buffer) {
            signal.update([&] { buffers.push_back({buffer.frameLength(), buffer.format()}); });
        };
    }
    std::function<void(const PlatformError&)> stopHandler() {
        return [this](const PlatformError& error) {
            signal.update([&] { stops.push_back(error.localizedDescription()); });
        };
    }
    bool awaitBuffers(std::size_t count, std::chrono::milliseconds timeout) {
        return signal.waitUntil([&] { return buffers.size() >= count; }, timeout);
    }

    Signal signal;
    std::vector<std::pair<std::uint32_t, AudioFormat>> buffers;
    std::vector<std::string> stops;
};

class PulseBackendTest : public ::testing::Test {
  protected:
    void SetUp() override { server.exportEnvironment(); }

    // Access, engine, tap, start: as the microphone runner does it.
    std::shared_ptr<AudioEngine> startedMicrophone() {
        std::promise<bool> answered;
        auto answer = answered.get_future();
        platform.microphone().requestAccess([&](bool granted) { answered.set_value(granted); });
        EXPECT_TRUE(awaitValue(answer));
        auto engine = platform.microphone().makeEngine();
        const AudioFormat format = engine->inputNode().outputFormatForBus(0);
        engine->inputNode().installTap(0, 4096, format, receiver.tap());
        engine->onStoppedWithError(receiver.stopHandler());
        std::optional<PlatformError> error;
        EXPECT_TRUE(engine->start(error));
        EXPECT_FALSE(error);
        return engine;
    }

    SoundServer server;
    PulsePlatform platform;
    Receiver receiver;
};

TEST_F(PulseBackendTest, ListsEverySinkWithTheDefaultFirst) {
    server.loadSink("tallwick_headphones");
    server.setDefaultSink("tallwick_headphones");
    const auto content = listed(platform);
    ASSERT_TRUE(content);
    ASSERT_EQ(content->displays().size(), 4u);
    EXPECT_EQ(content->displays().front()->name(), "tallwick_headphones");
}

TEST_F(PulseBackendTest, FeedsTheTapWithBuffersOfItsSizeUntilTheMicrophoneGoes) {
    auto engine = startedMicrophone();
    ASSERT_TRUE(receiver.awaitBuffers(3, 5s));
    server.pactl({"unload-module", "module-remap-source"});
    ASSERT_TRUE(receiver.signal.waitUntil([&] { return !receiver.stops.empty(); }, 2s));
    std::lock_guard lock(receiver.signal.mutex());
    EXPECT_EQ(receiver.stops, std::vector<std::string>{"Entity killed"});
    // Whole buffers, and then what was left when the microphone went.
    for (std::size_t i = 0; i < receiver.buffers.size(); ++i) {
        const auto& [frames, format] = receiver.buffers[i];
        EXPECT_TRUE(frames == 4096u || (i + 1 == receiver.buffers.size() && frames < 4096u))
            << frames;
        EXPECT_EQ(format, AudioFormat(CommonFormat::float32, server.microphoneRate(), 1, true));
    }
}

TEST_F(PulseBackendTest, NothingReachesTheTapOnceTheEngineIsGone) {
    auto engine = startedMicrophone();
    ASSERT_TRUE(receiver.awaitBuffers(1, 5s));
    engine.reset();
    std::size_t seen = 0;
    {
        std::lock_guard lock(receiver.signal.mutex());
        seen = receiver.buffers.size();
    }
    // Buffers come every 93 ms while recording; three periods show none came.
    EXPECT_FALSE(receiver.awaitBuffers(seen + 1, 300ms));
}

}  // namespace
}  // namespace tallwick::testing
