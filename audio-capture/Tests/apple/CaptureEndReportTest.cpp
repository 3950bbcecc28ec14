#include "platform/apple/CaptureEndReport.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <future>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace tallwick {
namespace {

const PlatformError deviceGone("The audio input device changed or was disconnected.");

struct Heard {
    std::vector<std::string> reasons;
    CaptureEndReport::Handler handler() {
        return [this](const PlatformError& reason) {
            reasons.push_back(reason.localizedDescription());
        };
    }
};

TEST(CaptureEndReport, ReportsTheFirstEndOfARunningCaptureOnce) {
    CaptureEndReport report;
    Heard heard;
    report.setHandler(heard.handler());
    report.started();

    report.ended(deviceGone);
    report.ended(PlatformError("a second change"));

    EXPECT_EQ(heard.reasons, std::vector<std::string>{deviceGone.localizedDescription()});
}

TEST(CaptureEndReport, IgnoresEndsWhileNotRunning) {
    CaptureEndReport report;
    Heard heard;
    report.setHandler(heard.handler());

    report.ended(deviceGone);  // before the start
    report.started();
    report.stopped();
    report.ended(deviceGone);  // the echo of our own stop

    EXPECT_TRUE(heard.reasons.empty());
}

TEST(CaptureEndReport, AnEndWhileStartingIsNotLost) {
    // The engine posts a configuration change while it is still starting.
    CaptureEndReport report;
    Heard heard;
    report.setHandler(heard.handler());
    report.starting();
    report.ended(deviceGone);
    report.started();
    report.ended(PlatformError("a second change"));
    EXPECT_EQ(heard.reasons, std::vector<std::string>{deviceGone.localizedDescription()});

    // A start that fails ends the window: what the engine posts after it is
    // the echo of the failure, not news.
    CaptureEndReport failed;
    Heard none;
    failed.setHandler(none.handler());
    failed.starting();
    failed.stopped();
    failed.ended(deviceGone);
    EXPECT_TRUE(none.reasons.empty());
}

TEST(CaptureEndReport, KeepsAnEndForAHandlerSetLater) {
    CaptureEndReport report;
    report.started();
    report.ended(deviceGone);

    Heard heard;
    report.setHandler(heard.handler());
    EXPECT_EQ(heard.reasons, std::vector<std::string>{deviceGone.localizedDescription()});

    Heard later;
    report.setHandler(later.handler());  // delivered already: not again
    EXPECT_TRUE(later.reasons.empty());
}

TEST(CaptureEndReport, TheHandlerMayStopTheCaptureItself) {
    // Shared with a thread that, should the handler run under the report's
    // lock, stays deadlocked after the test has failed.
    auto report = std::make_shared<CaptureEndReport>();
    auto handled = std::make_shared<std::promise<void>>();
    report->setHandler([weak = std::weak_ptr(report), handled](const PlatformError&) {
        weak.lock()->stopped();
        handled->set_value();
    });
    report->started();

    std::thread([report] { report->ended(deviceGone); }).detach();
    EXPECT_EQ(handled->get_future().wait_for(std::chrono::seconds(10)),
              std::future_status::ready);
}

TEST(CaptureEndReport, ConcurrentEndsReachTheHandlerOnce) {
    CaptureEndReport report;
    std::atomic<int> calls{0};
    report.setHandler([&](const PlatformError&) { ++calls; });
    report.started();

    std::vector<std::thread> threads;
    for (int i = 0; i < 8; ++i) {
        threads.emplace_back([&] { report.ended(deviceGone); });
    }
    for (auto& thread : threads) {
        thread.join();
    }
    EXPECT_EQ(calls.load(), 1);
}

}  // namespace
}  // namespace tallwick
