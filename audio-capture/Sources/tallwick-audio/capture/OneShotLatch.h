#pragma once

#include <condition_variable>
#include <mutex>

namespace tallwick {

// Holds a waiting run() until the capture ends. Opening it before anyone waits
// is remembered, so a stop that arrives early still ends run(); opening it a
// second time does nothing.
class OneShotLatch {
public:
    void wait() {
        std::unique_lock lock(mutex_);
        opened_.wait(lock, [this] { return open_; });
    }

    // Notifies under the lock: the waiter may return and destroy the latch as
    // soon as it can take the lock, so open() must be done with it by then.
    void open() {
        std::lock_guard lock(mutex_);
        open_ = true;
        opened_.notify_all();
    }

private:
    std::mutex mutex_;
    std::condition_variable opened_;
    bool open_ = false;
};

}  // namespace tallwick
