#include "platform/apple/CaptureEndReport.h"

#include <utility>

namespace tallwick {

void CaptureEndReport::setHandler(Handler handler) {
    std::optional<PlatformError> unheard;
    Handler deliver;
    {
        std::lock_guard lock(mutex_);
        handler_ = std::move(handler);
        if (handler_ && unheard_) {
            unheard = std::exchange(unheard_, std::nullopt);
            deliver = handler_;
        }
    }
    if (unheard) {
        deliver(*unheard);
    }
}

void CaptureEndReport::starting() {
    std::lock_guard lock(mutex_);
    state_ = State::starting;
}

void CaptureEndReport::started() {
    std::lock_guard lock(mutex_);
    state_ = State::running;
}

void CaptureEndReport::stopped() {
    std::lock_guard lock(mutex_);
    state_ = State::stopped;
}

void CaptureEndReport::ended(const PlatformError& reason) {
    Handler handler;
    {
        std::lock_guard lock(mutex_);
        const bool live = state_ == State::starting || state_ == State::running;
        if (!live || reported_) {
            return;
        }
        reported_ = true;
        if (!handler_) {
            unheard_ = reason;
            return;
        }
        handler = handler_;
    }
    handler(reason);
}

}  // namespace tallwick
