#pragma once

#include <mutex>

namespace tallwick {

// Guards calls into code that can go away: once that code has closed the gate,
// no call passes any more, and closing waits for a call already under way.
// Closing from within a call (the callee releasing its source) does not wait.
class CallbackGate {
public:
    template <class Call>
    void pass(Call&& call) {
        std::lock_guard lock(mutex_);
        if (open_) {
            call();
        }
    }

    void close() {
        std::lock_guard lock(mutex_);
        open_ = false;
    }

private:
    std::recursive_mutex mutex_;
    bool open_ = true;
};

}  // namespace tallwick
