#pragma once

#include <functional>
#include <mutex>
#include <optional>

#include "PlatformError.h"

namespace tallwick {

// Decides when the platform's word that a capture stopped reaches the host.
// The host must read "ready" before the "error" that ends a capture, and one
// failure must never give two "error" lines. So a stop that arrives while run()
// is still setting up (an engine that reconfigures as it starts, a stream that
// stops before its start completes) is held until run() has announced the
// capture, and dropped with this object if the set-up fails instead: run()
// reports that failure itself. Only the first stop is reported.
class StopReport {
public:
    using Report = std::function<void(const PlatformError&)>;

    explicit StopReport(Report report) : report_(std::move(report)) {}

    // From a platform thread.
    void stopped(const PlatformError& error) {
        {
            std::lock_guard lock(mutex_);
            if (reported_) {
                return;
            }
            if (!ready_) {
                if (!held_) {
                    held_ = error;
                }
                return;
            }
            reported_ = true;
        }
        report_(error);
    }

    // run() has written "ready".
    void ready() {
        std::optional<PlatformError> held;
        {
            std::lock_guard lock(mutex_);
            ready_ = true;
            if (!held_ || reported_) {
                return;
            }
            reported_ = true;
            held.swap(held_);
        }
        report_(*held);
    }

private:
    const Report report_;
    std::mutex mutex_;
    bool ready_ = false;
    bool reported_ = false;
    std::optional<PlatformError> held_;
};

}  // namespace tallwick
