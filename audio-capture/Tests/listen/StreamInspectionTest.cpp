#include "StreamInspection.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "events/Base64.h"
#include "events/EventStream.h"

namespace tallwick::listen {
namespace {

using namespace std::chrono_literals;

TEST(StreamInspection, FindsAudioThatArrivedFarLaterThanItLasts) {
    ArrivalGaps::Instant now{};
    StreamInspection inspection([&] { return now; }, nullptr);
    const auto arriveAfter = [&](std::chrono::milliseconds wait, const std::string& bytes) {
        now += wait;
        inspection.feed(bytes);
    };
    const auto chunk = formatEventLine("audio", base64Encode(std::vector<std::uint8_t>(640, 1)),
                                       std::nullopt);  // 20 ms
    arriveAfter(0ms, chunk);
    arriveAfter(20ms, chunk);
    arriveAfter(269ms, chunk);                // 249 ms beyond its 20 ms: jitter, not a stall
    arriveAfter(270ms, chunk);                // 250 ms beyond: a stall
    arriveAfter(0ms, chunk + chunk + chunk);  // a catch-up burst is no gap
    arriveAfter(1020ms, chunk);
    inspection.end(false);
    const ArrivalGaps& gaps = inspection.arrivalGaps();
    ASSERT_EQ(gaps.count(), 2u);
    EXPECT_EQ(gaps.longest(), 1000ms);
    EXPECT_EQ(gaps.first()[0].lineNumber, 4u);
    EXPECT_EQ(gaps.first()[0].audioFrame, 3u * 320);
    EXPECT_EQ(gaps.first()[0].excess, 250ms);
    EXPECT_EQ(gaps.first()[1].lineNumber, 8u);
}

}  // namespace
}  // namespace tallwick::listen
