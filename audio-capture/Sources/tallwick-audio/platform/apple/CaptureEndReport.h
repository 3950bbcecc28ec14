#pragma once

#include <functional>
#include <mutex>
#include <optional>

#include "PlatformError.h"

namespace tallwick {

// Reports, once, that a running capture ended without being asked to: the
// first end while running goes to the handler (or waits for one to be set);
// later ends, and ends while not running, are dropped. The handler runs
// outside the lock, so it may stop the capture itself.
class CaptureEndReport {
public:
    using Handler = std::function<void(const PlatformError&)>;

    void setHandler(Handler handler);
    void started();
    // Ends reported after this are the consequence of our own stop, not news.
    void stopped();
    void ended(const PlatformError& reason);

private:
    std::mutex mutex_;
    Handler handler_;
    bool running_ = false;
    bool reported_ = false;
    std::optional<PlatformError> unheard_;
};

}  // namespace tallwick
