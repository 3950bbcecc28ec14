#include "platform/pulse/PulseConnection.h"

#include <pulse/rtclock.h>

#include <algorithm>

namespace tallwick {

std::string pulseErrorText(int code) {
    const char* text = pa_strerror(code);
    return text ? text : "Unknown error code";
}

PulseConnection::PulseConnection() {
    mainloop_ = pa_threaded_mainloop_new();
    if (!mainloop_) {
        return;
    }
    context_ = pa_context_new(pa_threaded_mainloop_get_api(mainloop_), "tallwick_audio");
    if (!context_) {
        return;
    }
    pa_context_set_state_callback(context_, &PulseConnection::onStateChanged, this);
    pa_context_set_subscribe_callback(context_, &PulseConnection::onSubscriptionEvent, this);
}

std::shared_ptr<PulseConnection> PulseConnection::open(int& error) {
    std::shared_ptr<PulseConnection> connection(new PulseConnection());
    if (!connection->context_ || pa_threaded_mainloop_start(connection->mainloop_) < 0) {
        error = PA_ERR_INTERNAL;
        return nullptr;
    }
    Lock lock(*connection);
    pa_context* context = connection->context_;
    connection->setupDeadline_ = pa_rtclock_now() + setupBudget;
    connection->setupTimer_ = pa_context_rttime_new(context, connection->setupDeadline_,
                                                    &PulseConnection::onSetupBudgetSpent,
                                                    connection.get());
    // A sidecar must not leave a sound server of its own behind.
    if (pa_context_connect(context, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0) {
        error = pa_context_errno(context);
        return nullptr;
    }
    while (pa_context_get_state(context) != PA_CONTEXT_READY) {
        if (!PA_CONTEXT_IS_GOOD(pa_context_get_state(context)) || connection->setupTimedOut_) {
            error = connection->errorCode();
            return nullptr;
        }
        connection->wait();
    }
    const auto mask =
        static_cast<pa_subscription_mask_t>(PA_SUBSCRIPTION_MASK_SERVER | PA_SUBSCRIPTION_MASK_SINK);
    if (pa_operation* subscribing = pa_context_subscribe(context, mask, nullptr, nullptr)) {
        pa_operation_unref(subscribing);
    }
    return connection;
}

PulseConnection::~PulseConnection() {
    if (context_) {
        Lock lock(*this);
        if (setupTimer_) {
            api()->time_free(setupTimer_);
        }
        pa_context_set_state_callback(context_, nullptr, nullptr);
        pa_context_set_subscribe_callback(context_, nullptr, nullptr);
        pa_context_disconnect(context_);
    }
    if (mainloop_) {
        pa_threaded_mainloop_stop(mainloop_);
    }
    if (context_) {
        pa_context_unref(context_);
    }
    if (mainloop_) {
        pa_threaded_mainloop_free(mainloop_);
    }
}

PulseConnection::Lock::Lock(PulseConnection& connection) : mainloop_(connection.mainloop_) {
    pa_threaded_mainloop_lock(mainloop_);
}

PulseConnection::Lock::~Lock() { pa_threaded_mainloop_unlock(mainloop_); }

bool PulseConnection::isReady() const {
    return !setupTimedOut_ && pa_context_get_state(context_) == PA_CONTEXT_READY;
}

int PulseConnection::errorCode() const {
    if (setupTimedOut_ && PA_CONTEXT_IS_GOOD(pa_context_get_state(context_))) {
        return PA_ERR_TIMEOUT;
    }
    return pa_context_errno(context_);
}

void PulseConnection::wait() {
    if (pa_rtclock_now() >= setupDeadline_) {
        setupTimedOut_ = true;
        return;
    }
    // The budget's timer signals too, so this wakes by the deadline at the latest.
    pa_threaded_mainloop_wait(mainloop_);
}

void PulseConnection::onSetupBudgetSpent(pa_mainloop_api*, pa_time_event*, const struct timeval*,
                                         void* self) {
    static_cast<PulseConnection*>(self)->signal();
}

void PulseConnection::signal() { pa_threaded_mainloop_signal(mainloop_, 0); }

void PulseConnection::addObserver(ConnectionObserver* observer) {
    observers_.push_back(observer);
}

void PulseConnection::removeObserver(ConnectionObserver* observer) {
    observers_.erase(std::remove(observers_.begin(), observers_.end(), observer), observers_.end());
}

void PulseConnection::onStateChanged(pa_context* context, void* self) {
    auto& connection = *static_cast<PulseConnection*>(self);
    if (!PA_CONTEXT_IS_GOOD(pa_context_get_state(context)) && !connection.failureReported_) {
        connection.failureReported_ = true;
        const std::string reason = pulseErrorText(pa_context_errno(context));
        connection.notifyObservers([&](ConnectionObserver& o) { o.connectionFailed(reason); });
    }
    connection.signal();
}

void PulseConnection::onSubscriptionEvent(pa_context*, pa_subscription_event_type_t event,
                                          std::uint32_t, void* self) {
    auto& connection = *static_cast<PulseConnection*>(self);
    const unsigned facility = event & PA_SUBSCRIPTION_EVENT_FACILITY_MASK;
    const unsigned type = event & PA_SUBSCRIPTION_EVENT_TYPE_MASK;
    // The default sink changes with a server event; a sink that comes or goes
    // may change which one the server falls back to.
    const bool relevant = facility == PA_SUBSCRIPTION_EVENT_SERVER ||
                          (facility == PA_SUBSCRIPTION_EVENT_SINK &&
                           type != PA_SUBSCRIPTION_EVENT_CHANGE);
    if (!relevant) {
        return;
    }
    connection.notifyObservers([](ConnectionObserver& o) { o.serverChanged(); });
}

void PulseConnection::notifyObservers(const std::function<void(ConnectionObserver&)>& tell) {
    // An observer may leave, or make another leave, while being told.
    const auto observers = observers_;
    for (ConnectionObserver* observer : observers) {
        if (std::find(observers_.begin(), observers_.end(), observer) != observers_.end()) {
            tell(*observer);
        }
    }
}

}  // namespace tallwick
