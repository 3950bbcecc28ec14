// The system-audio stream against a private sound server: what it lists, the
// buffers it delivers, and what a change of default sink costs. The end-to-end
// tests cover the rest through the real binary.
#include <gtest/gtest.h>

#include <algorithm>
#include <future>

#include "SoundServer.h"
#include "SystemCapture.h"
#include "platform/pulse/PulseStream.h"

namespace tallwick::testing {
namespace {

class SystemStreamTest : public ::testing::Test {
protected:
    void SetUp() override { server.exportEnvironment(); }

    SoundServer server;
    PulsePlatform platform;
    SystemCapture capture;
};

TEST_F(SystemStreamTest, ListsEverySinkWithTheDefaultFirst) {
    server.loadSink("tallwick_headphones");
    server.setDefaultSink("tallwick_headphones");
    std::promise<std::shared_ptr<ShareableContent>> listed;
    auto listing = listed.get_future();
    platform.screenCapture().getShareableContent(false, true, [&](auto content, auto error) {
        EXPECT_FALSE(error);
        listed.set_value(content);
    });
    const auto content = awaitValue(listing);
    ASSERT_TRUE(content);
    std::vector<std::string> names;
    for (const auto& display : content->displays()) {
        names.push_back(display->name());
    }
    ASSERT_EQ(names.size(), 4u);
    EXPECT_EQ(names.front(), "tallwick_headphones");
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"tallwick_headphones", "tallwick_latency_sink",
                                               "tallwick_mic_feed", "tallwick_speakers"}));
}

TEST_F(SystemStreamTest, DeliversFramesAtTheRateOfTheClockWithoutGaps) {
    ASSERT_EQ(capture.start(platform), std::nullopt);
    EXPECT_EQ(capture.stream().recordedSource(), "tallwick_speakers.monitor");
    ASSERT_TRUE(capture.awaitMoreFrames(16000 * 2, 5s));
    EXPECT_TRUE(capture.sawOnlyExpectedLayout());
    const auto arrivals = capture.arrivals();
    std::size_t frames = 0;
    for (std::size_t i = 1; i < arrivals.size(); ++i) {
        frames += arrivals[i].frames;
    }
    const double seconds =
        std::chrono::duration<double>(arrivals.back().at - arrivals.front().at).count();
    // Arrival times wobble by a fragment (20 ms) or so at either end.
    EXPECT_NEAR(static_cast<double>(frames), seconds * 16000, 0.06 * 16000);
    // Fragments of about 20 ms: short enough for low latency (the server's
    // default would be seconds), long enough not to flood the reader with lines.
    for (std::size_t i = 1; i < arrivals.size(); ++i) {
        EXPECT_GE(arrivals[i].frames, 16000u / 50) << "buffer " << i;
        EXPECT_LE(arrivals[i].frames, 16000u / 10) << "buffer " << i;
    }
}

TEST_F(SystemStreamTest, LosesAtMostAFewFragmentsWhenTheDefaultSinkChanges) {
    server.loadSink("tallwick_headphones");
    ASSERT_EQ(capture.start(platform), std::nullopt);
    ASSERT_TRUE(capture.awaitMoreFrames(16000, 5s));
    server.setDefaultSink("tallwick_headphones");
    ASSERT_TRUE(capture.awaitMoreFrames(16000, 5s));
    ASSERT_EQ(capture.stream().recordedSource(), "tallwick_headphones.monitor");

    const auto arrivals = capture.arrivals();
    std::size_t frames = 0;
    for (std::size_t i = 1; i < arrivals.size(); ++i) {
        frames += arrivals[i].frames;
    }
    const double seconds =
        std::chrono::duration<double>(arrivals.back().at - arrivals.front().at).count();
    const double missing = seconds - static_cast<double>(frames) / 16000;
    RecordProperty("missing_ms", std::to_string(static_cast<int>(missing * 1000)));

    EXPECT_LT(missing, 0.1);
    EXPECT_FALSE(capture.stopped());
}

TEST_F(SystemStreamTest, RefusesScreenOutputAndBadConfigurations) {
    std::promise<std::shared_ptr<ShareableContent>> listed;
    auto listing = listed.get_future();
    platform.screenCapture().getShareableContent(
        false, true, [&](auto content, auto) { listed.set_value(content); });
    const auto content = awaitValue(listing);
    ASSERT_TRUE(content && !content->displays().empty());
    auto& screens = platform.screenCapture();
    auto filter = screens.makeContentFilter(content->displays().front());

    auto stream = screens.makeStream(filter, {true, true, 16000, 1}, &capture);
    std::optional<PlatformError> error;
    EXPECT_FALSE(stream->addStreamOutput(capture, StreamOutputType::screen,
                                         screens.makeSerialQueue("q"), error));
    ASSERT_TRUE(error);
    EXPECT_EQ(error->localizedDescription(), "Not supported");

    auto silent = screens.makeStream(filter, {true, true, 0, 1}, &capture);
    std::promise<std::optional<PlatformError>> started;
    auto starting = started.get_future();
    silent->startCapture([&](auto failure) { started.set_value(failure); });
    const auto failure = awaitValue(starting);
    ASSERT_TRUE(failure);
    EXPECT_EQ(failure->localizedDescription(), "Invalid argument");
}

}  // namespace
}  // namespace tallwick::testing
