#pragma once

#include <chrono>
#include <condition_variable>
#include <future>
#include <mutex>
#include <optional>
#include <stdexcept>

namespace tallwick::testing {

using namespace std::chrono_literals;

// The value a completion handler delivers, waited for with a deadline.
template <class Value>
Value awaitValue(std::future<Value>& future, std::chrono::milliseconds timeout = 10s) {
    if (future.wait_for(timeout) != std::future_status::ready) {
        throw std::runtime_error("the completion never came");
    }
    return future.get();
}

// A condition that callbacks on other threads make true, waited for with a
// deadline instead of a sleep.
class Signal {
  public:
    template <class Change>
    void update(Change&& change) {
        {
            std::lock_guard lock(mutex_);
            change();
        }
        changed_.notify_all();
    }

    template <class Predicate>
    bool waitUntil(Predicate&& predicate, std::chrono::milliseconds timeout) {
        std::unique_lock lock(mutex_);
        return changed_.wait_for(lock, timeout, predicate);
    }

    std::mutex& mutex() { return mutex_; }

  private:
    std::mutex mutex_;
    std::condition_variable changed_;
};

}  // namespace tallwick::testing
