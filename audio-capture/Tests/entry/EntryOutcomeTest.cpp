#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "CaptureError.h"
#include "PlatformError.h"
#include "TallwickAudio.h"
#include "events/EventStream.h"
#include "support/CapturedEvents.h"

namespace tallwick {
namespace {

using nlohmann::json;
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

const json released = {{"type", "log"}, {"message", "runner released"}};

TEST(EntryOutcome, StatusAndTheOneErrorLineComeAfterTheRunnerIsGone) {
    const std::vector<std::string> system = {"--source", "system"};
    struct Case {
        std::vector<std::string> arguments;
        std::function<void()> body;
        std::optional<std::string> error;
        bool throwsFromConstruction = false;
    };
    const Case cases[] = {
        {system, [] {}, std::nullopt},
        {{}, [] { throw CaptureError::noDisplay(); }, "No display available for audio capture."},
        {system, [] { throw PlatformError("Connection refused"); }, "Connection refused"},
        {{}, [] { throw std::runtime_error("out of range"); }, "out of range"},
        {{}, [] { throw 42; }, "Unknown error."},
        {system, [] { throw PlatformError("no backend"); }, "no backend", true},
    };
    for (const auto& c : cases) {
        CapturedEvents captured;
        std::atomic<bool> alive{false};
        const auto make = [&] {
            if (c.throwsFromConstruction)
                c.body();
            return std::make_unique<ScriptedRunner>(c.body, alive);
        };
        auto arguments = c.arguments;
        arguments.insert(arguments.begin(), "tallwick_audio");
        EXPECT_EQ(TallwickAudio::main(arguments, {make, make}), c.error ? 1 : 0);
        EXPECT_FALSE(alive) << "the runner outlived main()";
        std::vector<json> events;
        if (!c.throwsFromConstruction)
            events.push_back(released);
        if (c.error)
            events.push_back({{"type", "error"}, {"message", *c.error}});
        EXPECT_EQ(captured.events(), events);
    }
}

TEST(SourceSelection, OnlyTheValueAfterTheFirstFlagCountsAndOnlyAsciiCaseFolds) {
    struct Case {
        std::vector<std::string> arguments;
        std::string_view source;
    };
    const Case cases[] = {
        {{"-v", "--source", "sYsTeM", "extra"}, "system"},
        {{}, "mic"},
        {{"--source"}, "mic"},
        {{"--SOURCE", "system"}, "mic"},
        {{"--source", "sys"}, "mic"},
        // Non-ASCII look-alikes never lower-case to "system" (long s).
        {{"--source", "\xC5\xBFystem"}, "mic"},
        {{"--source", std::string("sys\0tem", 7)}, "mic"},
        {{"--source", "system", "--source", "mic"}, "system"},
        // The value after the first flag is taken even when it looks like a flag.
        {{"--source", "--source", "system"}, "mic"},
    };
    for (const auto& c : cases) {
        auto arguments = c.arguments;
        arguments.insert(arguments.begin(), "/usr/libexec/tallwick_audio");
        EXPECT_EQ(TallwickAudio::parseSource(arguments), c.source)
            << ::testing::PrintToString(c.arguments);
    }
}

}  // namespace
}  // namespace tallwick
