#include "platform/apple/CaptureEndReport.h"

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace tallwick {
namespace {

const PlatformError deviceGone("The audio input device changed or was disconnected.");

TEST(CaptureEndReport, ReportsTheFirstEndOfARunningCaptureOnceAndNothingElse) {
    // s starting, S started, x stopped, e ended, h handler set
    const std::pair<std::string, std::size_t> cases[] = {
        {"hSee", 1},
        {"heSxe", 0},  // before the start, and the echo of our own stop
        {"hseSe", 1},  // the engine posts a configuration change while it is still starting
        // A start that fails ends the window: what the engine posts after it
        // is the echo of the failure, not news.
        {"hsxe", 0},
        {"Sehh", 1},  // kept for a handler set later, and delivered once only
    };
    for (const auto& [steps, reports] : cases) {
        CaptureEndReport report;
        std::vector<std::string> reasons;
        for (const char step : steps) {
            if (step == 's')
                report.starting();
            if (step == 'S')
                report.started();
            if (step == 'x')
                report.stopped();
            if (step == 'e')
                report.ended(deviceGone);
            if (step == 'h')
                report.setHandler([&](const PlatformError& reason) {
                    reasons.push_back(reason.localizedDescription());
                });
        }
        EXPECT_EQ(reasons, std::vector<std::string>(reports, deviceGone.localizedDescription()))
            << steps;
    }
}

TEST(CaptureEndReport, ConcurrentEndsReachTheHandlerOnce) {
    CaptureEndReport report;
    std::atomic<int> calls{0};
    report.setHandler([&](const PlatformError&) { ++calls; });
    report.started();
    std::vector<std::thread> threads;
    for (int i = 0; i < 8; ++i)
        threads.emplace_back([&] { report.ended(deviceGone); });
    for (auto& thread : threads)
        thread.join();
    EXPECT_EQ(calls.load(), 1);
}

}  // namespace
}  // namespace tallwick
