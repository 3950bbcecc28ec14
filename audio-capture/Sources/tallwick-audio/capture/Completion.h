#pragma once

#include <future>
#include <memory>
#include <utility>

namespace tallwick {

// Waits in run() for a result that a platform completion handler delivers on a
// thread of its own. The handler shares the promise, so a late or repeated call
// never touches a run() that has moved on.
template <typename Result>
class Completion {
public:
    Completion() : promise_(std::make_shared<std::promise<Result>>()) {}

    // The callable to hand to the platform.
    auto handler() const {
        return [promise = promise_](auto&&... values) {
            try {
                promise->set_value(Result{std::forward<decltype(values)>(values)...});
            } catch (const std::future_error&) {
                // A second call of a one-shot completion: the first one counts.
            }
        };
    }

    Result wait() { return promise_->get_future().get(); }

private:
    std::shared_ptr<std::promise<Result>> promise_;
};

}  // namespace tallwick
