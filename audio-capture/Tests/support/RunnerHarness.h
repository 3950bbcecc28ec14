#pragma once

#include <exception>
#include <thread>

#include "CaptureRunner.h"
#include "PlatformError.h"

namespace tallwick::testing {

// Runs a runner's run() on a thread of its own, as the entry does, and keeps
// what it ended with.
class RunInBackground {
public:
    explicit RunInBackground(CaptureRunner& runner)
        : thread_([this, &runner] {
              try {
                  runner.run();
              } catch (...) {
                  failure_ = std::current_exception();
              }
          }) {}
    ~RunInBackground() {
        if (thread_.joinable()) thread_.join();
    }

    // Waits for run() to end; returns what it threw, or nullptr.
    std::exception_ptr join() {
        thread_.join();
        return failure_;
    }

private:
    std::exception_ptr failure_;
    std::thread thread_;
};

}  // namespace tallwick::testing
