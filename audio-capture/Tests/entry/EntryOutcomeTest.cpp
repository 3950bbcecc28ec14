#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <string>
#include <vector>

#include "CaptureError.h"
#include "PlatformError.h"
#include "TallwickAudio.h"
#include "events/EventStream.h"
#include "support/CapturedEvents.h"

namespace tallwick {
namespace {

using testing::CapturedEvents;

// A runner whose run() does what the test says, and which records whether it
// still existed when the entry wrote its events.
class ScriptedRunner : public CaptureRunner {
public:
    ScriptedRunner(std::function<void()> body, std::atomic<bool>& alive)
        : body_(std::move(body)), alive_(alive) {
        alive_ = true;
    }
    ~ScriptedRunner() override {
        // Anything written after this line is visible in the capture file before
        // the entry's own "error" line only if the runner was released first.
        emit("log", std::nullopt, "runner released");
        alive_ = false;
    }
    void run() override { body_(); }

private:
    std::function<void()> body_;
    std::atomic<bool>& alive_;
};

struct Outcome {
    int status;
    std::vector<nlohmann::json> events;
    std::string chosen;
};

Outcome runEntry(std::vector<std::string> arguments, std::function<void()> body) {
    CapturedEvents captured;
    std::atomic<bool> alive{false};
    std::string chosen;
    TallwickAudio::Runners runners{
        [&] {
            chosen = "system";
            return std::make_unique<ScriptedRunner>(body, alive);
        },
        [&] {
            chosen = "mic";
            return std::make_unique<ScriptedRunner>(body, alive);
        },
    };
    arguments.insert(arguments.begin(), "tallwick_audio");
    const int status = TallwickAudio::main(arguments, runners);
    EXPECT_FALSE(alive) << "the runner outlived main()";
    return {status, captured.events(), chosen};
}

nlohmann::json logEvent(const std::string& message) {
    return {{"type", "log"}, {"message", message}};
}
nlohmann::json errorEvent(const std::string& message) {
    return {{"type", "error"}, {"message", message}};
}

TEST(EntryOutcome, ARunThatReturnsExitsZeroWithoutAnEvent) {
    const auto outcome = runEntry({"--source", "system"}, [] {});
    EXPECT_EQ(outcome.status, 0);
    EXPECT_EQ(outcome.chosen, "system");
    EXPECT_EQ(outcome.events, std::vector{logEvent("runner released")});
}

TEST(EntryOutcome, OurOwnFailuresGiveOneErrorAfterTheRunnerIsGone) {
    for (const auto& failure : {CaptureError::noDisplay(), CaptureError::micDenied(),
                               CaptureError::converterFailed()}) {
        const auto outcome = runEntry({}, [failure] { throw failure; });
        EXPECT_EQ(outcome.status, 1);
        EXPECT_EQ(outcome.chosen, "mic");
        EXPECT_EQ(outcome.events, (std::vector{logEvent("runner released"),
                                               errorEvent(failure.errorDescription())}));
    }
}

TEST(EntryOutcome, PlatformFailuresCarryThePlatformText) {
    const auto outcome = runEntry({"--source", "SYSTEM"},
                                  [] { throw PlatformError("Connection refused"); });
    EXPECT_EQ(outcome.status, 1);
    EXPECT_EQ(outcome.events.back(), errorEvent("Connection refused"));
    EXPECT_EQ(outcome.events.size(), 2u);
}

TEST(EntryOutcome, AFailingRunnerConstructorIsReportedLikeAFailedRun) {
    CapturedEvents captured;
    TallwickAudio::Runners runners{
        []() -> std::unique_ptr<CaptureRunner> { throw PlatformError("no backend"); },
        []() -> std::unique_ptr<CaptureRunner> { return nullptr; },
    };
    const std::vector<std::string> arguments = {"tallwick_audio", "--source", "system"};
    EXPECT_EQ(TallwickAudio::main(arguments, runners), 1);
    EXPECT_EQ(captured.events(), std::vector{errorEvent("no backend")});
}

TEST(CaptureErrorMessages, AreTheFixedTextsByteForByte) {
    EXPECT_EQ(CaptureError::noDisplay().errorDescription(),
              "No display available for audio capture.");
    EXPECT_EQ(CaptureError::noDisplay().errorDescription().size(), 39u);
    EXPECT_EQ(CaptureError::micDenied().errorDescription(),
              "Microphone access denied. Enable it in System Settings \xE2\x86\x92 Privacy "
              "\xE2\x86\x92 Microphone.");
    EXPECT_EQ(CaptureError::micDenied().errorDescription().size(), 82u);
    EXPECT_EQ(CaptureError::converterFailed().errorDescription(),
              "Could not initialize audio converter.");
    EXPECT_EQ(CaptureError::converterFailed().errorDescription().size(), 37u);
    EXPECT_EQ(CaptureError::micDenied(), CaptureError::micDenied());
    EXPECT_FALSE(CaptureError::micDenied() == CaptureError::noDisplay());
}

TEST(CaptureErrorMessages, TheArrowsReachTheStreamAsRawUtf8) {
    CapturedEvents captured;
    emit("error", std::nullopt, CaptureError::micDenied().errorDescription());
    const std::string line = captured.lines().at(0);
    EXPECT_NE(line.find("Settings \xE2\x86\x92 Privacy \xE2\x86\x92 Microphone."), std::string::npos);
    EXPECT_EQ(line.find("\\u"), std::string::npos);
}

}  // namespace
}  // namespace tallwick
