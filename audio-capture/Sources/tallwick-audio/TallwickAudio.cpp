#include "TallwickAudio.h"

#include <algorithm>
#include <exception>
#include <optional>

#include "PlatformError.h"
#include "events/EventStream.h"

namespace tallwick {

namespace {

// Only ASCII letters change: no other character lower-cases to a letter of
// "system", so the comparison gives the same answer as full Unicode lower-casing.
std::string asciiLowercase(std::string_view text) {
    std::string lowered(text);
    std::transform(lowered.begin(), lowered.end(), lowered.begin(), [](char c) {
        return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
    });
    return lowered;
}

}  // namespace

std::string_view TallwickAudio::parseSource(std::span<const std::string> arguments) {
    const auto flag = std::find(arguments.begin(), arguments.end(), "--source");
    if (flag == arguments.end() || std::next(flag) == arguments.end()) {
        return "mic";
    }
    return asciiLowercase(*std::next(flag)) == "system" ? "system" : "mic";
}

int TallwickAudio::main(std::span<const std::string> arguments, const Runners& runners) {
    const bool system = parseSource(arguments) == "system";
    std::optional<std::string> failure;
    {
        std::unique_ptr<CaptureRunner> runner;
        try {
            runner = system ? runners.system() : runners.microphone();
            runner->run();
        } catch (...) {
            failure = describeFailure(std::current_exception());
        }
        // The runner (and with it the platform's capture objects) goes before
        // anything is reported.
    }
    if (failure) {
        emit("error", std::nullopt, *failure);
    }
    // Lines a slow reader has not taken yet would die with the process.
    standardOutputEvents().flush();
    return failure ? 1 : 0;
}

}  // namespace tallwick
