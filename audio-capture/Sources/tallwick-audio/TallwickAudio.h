#pragma once

#include <functional>
#include <memory>
#include <span>
#include <string>
#include <string_view>

#include "CaptureRunner.h"

namespace tallwick {

// The process entry: picks the source from the command line, runs it, and turns
// its outcome into the exit status (and, on failure, one "error" event).
struct TallwickAudio {
    using RunnerMaker = std::function<std::unique_ptr<CaptureRunner>()>;

    struct Runners {
        RunnerMaker system;
        RunnerMaker microphone;
    };

    // "system" or "mic". `arguments` is the whole argument list, program path first.
    static std::string_view parseSource(std::span<const std::string> arguments);

    // Returns the process exit status: 0 when the capture ended, 1 when it failed.
    static int main(std::span<const std::string> arguments, const Runners& runners);
};

}  // namespace tallwick
