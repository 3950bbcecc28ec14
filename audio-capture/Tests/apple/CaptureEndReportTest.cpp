#include "platform/apple/CaptureEndReport.h"

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

namespace tallwick {
namespace {

const PlatformError deviceGone("The audio input device changed or was disconnected.");

TEST(CaptureEndReport, ReportsTheFirstEndOfARunningCaptureOnceAndNothingElse) {
    enum Step { starting, started, stopped, ended, handlerSet };
    struct Case {
        std::vector<Step> steps;
        std::size_t reports;
    };
    const Case cases[] = {
        {{handlerSet, started, ended, ended}, 1},
        // Before the start, and the echo of our own stop.
        {{handlerSet, ended, started, stopped, ended}, 0},
        // The engine posts a configuration change while it is still starting.
        {{handlerSet, starting, ended, started, ended}, 1},
        // A start that fails ends the window: what the engine posts after it
        // is the echo of the failure, not news.
        {{handlerSet, starting, stopped, ended}, 0},
        // Kept for a handler set later, and delivered once only.
        {{started, ended, handlerSet, handlerSet}, 1},
    };
    for (const Case& c : cases) {
        CaptureEndReport report;
        std::vector<std::string> reasons;
        for (const Step step : c.steps) {
            switch (step) {
                case starting: report.starting(); break;
                case started: report.started(); break;
                case stopped: report.stopped(); break;
                case ended: report.ended(deviceGone); break;
                case handlerSet:
                    report.setHandler([&](const PlatformError& reason) { reasons.push_back(reason.localizedDescription()); });
                    break;
            }
        }
        EXPECT_EQ(reasons, std::vector<std::string>(c.reports, deviceGone.localizedDescription())) << c.steps.size();
    }
}

TEST(CaptureEndReport, ConcurrentEndsReachTheHandlerOnce) {
    CaptureEndReport report;
    std::atomic<int> calls{0};
    report.setHandler([&](const PlatformError&) { ++calls; });
    report.started();
    std::vector<std::thread> threads;
    for (int i = 0; i < 8; ++i) threads.emplace_back([&] { report.ended(deviceGone); });
    for (auto& thread : threads) thread.join();
    EXPECT_EQ(calls.load(), 1);
}

}  // namespace
}  // namespace tallwick
