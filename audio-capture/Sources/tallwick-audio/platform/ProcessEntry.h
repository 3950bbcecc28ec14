#pragma once

#include <functional>

namespace tallwick {

// Runs the tool's main work and ends the process with the status it returns.
// On Apple platforms the main thread runs the main run loop meanwhile, as an
// application's does, so that device notifications, completion handlers and
// permission prompts behave; elsewhere the work runs on the calling thread.
[[noreturn]] void runProcess(std::function<int()> work);

}  // namespace tallwick
