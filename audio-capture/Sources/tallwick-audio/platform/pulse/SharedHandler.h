#pragma once

#include <functional>
#include <mutex>
#include <utility>

namespace tallwick {

// A handler that the owner sets or clears on its own thread while the delivery
// queue calls it. The call runs outside the lock, so the handler may set it
// again (or release what owns it) without deadlocking.
template <typename Argument>
class SharedHandler {
public:
    using Function = std::function<void(const Argument&)>;

    void set(Function function) {
        std::lock_guard lock(mutex_);
        function_ = std::move(function);
    }

    // Does nothing while no handler is set.
    void operator()(const Argument& argument) const {
        Function function;
        {
            std::lock_guard lock(mutex_);
            function = function_;
        }
        if (function) {
            function(argument);
        }
    }

private:
    mutable std::mutex mutex_;
    Function function_;
};

}  // namespace tallwick
