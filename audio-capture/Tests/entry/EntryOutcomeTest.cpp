#include <gtest/gtest.h>

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

// A runner whose run() does what the test says, and which tells the event
// stream when it is released.
class ScriptedRunner : public CaptureRunner {
  public:
    explicit ScriptedRunner(std::function<void()> body) : body_(std::move(body)) {}
    ~ScriptedRunner() override {
        // This line comes before the entry's own "error" line only if the
        // runner was released first, and is missing if it never is.
        emit("log", std::nullopt, "runner released");
    }
    void run() override { body_(); }

  private:
    std::function<void()> body_;
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
        const auto make = [&] {
            if (c.throwsFromConstruction)
                c.body();
            return std::make_unique<ScriptedRunner>(c.body);
        };
        auto arguments = c.arguments;
        arguments.insert(arguments.begin(), "tallwick_audio");
        EXPECT_EQ(TallwickAudio::main(arguments, {make, make}), c.error ? 1 : 0);
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
