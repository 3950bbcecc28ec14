#include "StreamInspection.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "events/Base64.h"
#include "events/EventStream.h"

namespace tallwick::listen {
namespace {

using namespace std::chrono_literals;

std::vector<std::uint8_t> samples(std::size_t frames, std::int16_t value) {
    std::vector<std::uint8_t> pcm;
    for (std::size_t i = 0; i < frames; ++i) {
        pcm.push_back(static_cast<std::uint8_t>(value & 0xFF));
        pcm.push_back(static_cast<std::uint8_t>((value >> 8) & 0xFF));
    }
    return pcm;
}

std::string audioLine(std::size_t frames, std::int16_t value) {
    return tallwick::formatEventLine("audio", tallwick::base64Encode(samples(frames, value)), std::nullopt);
}


class Inspection : public ::testing::Test {
protected:
    ArrivalGaps::Instant now_{};
    StreamInspection inspection_{[this] { return now_; }, nullptr};

    void arriveAfter(std::chrono::milliseconds wait, const std::string& bytes) {
        now_ += wait;
        inspection_.feed(bytes);
    }
};

TEST_F(Inspection, FindsAudioThatArrivedFarLaterThanItLasts) {
    const auto chunk = audioLine(320, 1);  // 20 ms of audio
    arriveAfter(0ms, chunk);
    arriveAfter(20ms, chunk);
    arriveAfter(269ms, chunk);  // 249 ms beyond its 20 ms: jitter, not a stall
    arriveAfter(270ms, chunk);  // 250 ms beyond: a stall
    arriveAfter(0ms, chunk + chunk + chunk);  // a catch-up burst is no gap
    arriveAfter(1020ms, chunk);
    inspection_.end(false);
    const ArrivalGaps& gaps = inspection_.arrivalGaps();
    ASSERT_EQ(gaps.count(), 2u);
    EXPECT_EQ(gaps.longest(), 1000ms);
    EXPECT_EQ(gaps.first()[0].lineNumber, 4u);
    EXPECT_EQ(gaps.first()[0].audioFrame, 3u * 320);
    EXPECT_EQ(gaps.first()[0].excess, 250ms);
    EXPECT_EQ(gaps.first()[1].lineNumber, 8u);
}

}  // namespace
}  // namespace tallwick::listen
