// The microphone engine against a private sound server.
#include <gtest/gtest.h>

#include "Awaiting.h"
#include "SoundServer.h"
#include "Tone.h"
#include "platform/pulse/PulsePlatform.h"

namespace tallwick::testing {
namespace {

// Stands where the microphone runner would: collects what the tap delivers.
class Tap {
public:
    TapBlock block() {
        return [this](const PCMBuffer& buffer) {
            const auto& region = buffer.audioBufferList().front();
            const auto* first = static_cast<const float*>(region.data);
            const std::size_t count = std::size_t{buffer.frameLength()} * buffer.format().channelCount();
            signal_.update([&] {
                lengths_.push_back(buffer.frameLength());
                samples_.insert(samples_.end(), first, first + count);
                formats_.push_back(buffer.format());
            });
        };
    }

    std::function<void(const PlatformError&)> stopHandler() {
        return [this](const PlatformError& error) {
            signal_.update([&] {
                stops_.push_back(error.localizedDescription());
                stopped_ = true;
            });
        };
    }

    bool awaitTone(double frequency, int rate, std::chrono::milliseconds timeout) {
        return signal_.waitUntil(
            [&] {
                const std::size_t window = static_cast<std::size_t>(rate) / 5;
                if (samples_.size() < window) {
                    return false;
                }
                const std::span<const float> newest(samples_.data() + samples_.size() - window,
                                                    window);
                return rms(newest) > 0.05 && toneShare(newest, rate, frequency) > 0.8;
            },
            timeout);
    }
    bool awaitBuffers(std::size_t count, std::chrono::milliseconds timeout) {
        return signal_.waitUntil([&] { return lengths_.size() >= count; }, timeout);
    }
    bool awaitStop(std::chrono::milliseconds timeout) {
        return signal_.waitUntil([&] { return stopped_; }, timeout);
    }
    template <class Read>
    auto read(Read&& reading) {
        std::lock_guard lock(signal_.mutex());
        return reading(*this);
    }

    Signal signal_;
    std::vector<float> samples_;
    std::vector<std::uint32_t> lengths_;
    std::vector<AudioFormat> formats_;
    std::vector<std::string> stops_;
    bool stopped_ = false;
};

bool accessGranted(Microphone& microphone) {
    std::promise<bool> answered;
    auto answer = answered.get_future();
    microphone.requestAccess([&](bool granted) { answered.set_value(granted); });
    return awaitValue(answer);
}

class MicrophoneTest : public ::testing::Test {
protected:
    void SetUp() override { server.exportEnvironment(); }

    // Access, engine, tap, start: as the microphone runner does it.
    std::shared_ptr<AudioEngine> started() {
        EXPECT_TRUE(accessGranted(platform.microphone()));
        auto engine = platform.microphone().makeEngine();
        const AudioFormat format = engine->inputNode().outputFormatForBus(0);
        engine->inputNode().installTap(0, 4096, format, tap.block());
        engine->onStoppedWithError(tap.stopHandler());
        std::optional<PlatformError> error;
        EXPECT_TRUE(engine->start(error));
        EXPECT_FALSE(error);
        return engine;
    }

    SoundServer server;
    PulsePlatform platform;
    Tap tap;
};

TEST_F(MicrophoneTest, FeedsTheTapWithBuffersOfItsSize) {
    auto engine = started();
    const auto player = server.play("tallwick_mic_feed", sine(1000, 3, 44100), 44100);
    EXPECT_TRUE(tap.awaitTone(1000, 44100, 5s));
    tap.read([](Tap& t) {
        for (std::uint32_t length : t.lengths_) {
            EXPECT_EQ(length, 4096u);
        }
        for (const auto& format : t.formats_) {
            EXPECT_EQ(format, AudioFormat(CommonFormat::float32, 44100, 1, true));
        }
        return 0;
    });
}

TEST_F(MicrophoneTest, ReportsAMicrophoneThatWentAway) {
    auto engine = started();
    ASSERT_TRUE(tap.awaitBuffers(1, 5s));
    server.pactl({"unload-module", "module-remap-source"});
    ASSERT_TRUE(tap.awaitStop(2s));
    tap.read([](Tap& t) {
        EXPECT_EQ(t.stops_, std::vector<std::string>{"Entity killed"});
        return 0;
    });
}

TEST_F(MicrophoneTest, NothingReachesTheTapOnceTheEngineIsGone) {
    auto engine = started();
    ASSERT_TRUE(tap.awaitBuffers(1, 5s));
    engine.reset();
    const auto seen = tap.read([](Tap& t) { return t.lengths_.size(); });
    // Buffers come every 93 ms while recording; three periods show none came.
    EXPECT_FALSE(tap.awaitBuffers(seen + 1, 300ms));
}

TEST_F(MicrophoneTest, AMonitorIsNoMicrophone) {
    server.pactl({"set-default-source", "tallwick_speakers.monitor"});
    auto engine = platform.microphone().makeEngine();
    EXPECT_EQ(engine->inputNode().outputFormatForBus(0).sampleRate(), 0.0);
    std::optional<PlatformError> error;
    EXPECT_FALSE(engine->start(error));
    ASSERT_TRUE(error);
    EXPECT_EQ(error->localizedDescription(), "No such entity");
}

}  // namespace
}  // namespace tallwick::testing
