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

void CaptureEndReport::started() {
    std::lock_guard lock(mutex_);
    running_ = true;
}

void CaptureEndReport::stopped() {
    std::lock_guard lock(mutex_);
    running_ = false;
}

void CaptureEndReport::ended(const PlatformError& reason) {
    Handler handler;
    {
        std::lock_guard lock(mutex_);
        if (!running_ || reported_) {
            return;
        }
        running_ = false;
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
