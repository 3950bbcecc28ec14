#pragma once

#include <pulse/pulseaudio.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace tallwick {

// libpulse's own description of an error code ("Connection refused",
// "Access denied", "Entity killed", ...).
std::string pulseErrorText(int code);

// Told, on the mainloop thread, what happens to a connection.
class ConnectionObserver {
public:
    virtual ~ConnectionObserver() = default;
    // The connection is lost for good; `reason` is libpulse's text.
    virtual void connectionFailed(const std::string& reason) = 0;
    // Something about the server changed, its default sink or source among it.
    virtual void serverChanged() {}
};

// One connection to the sound server, served by a threaded mainloop of its own.
//
// Everything that touches the context or its streams holds the mainloop lock;
// callbacks run on the mainloop thread, which already holds it. Waiting is only
// ever done by other threads, and every callback a wait depends on signals.
//
// Waiting is for setting up a capture, and all of it shares one budget, from
// the moment of connecting: a server that accepts and never answers would
// otherwise hold a host in its "starting" state for libpulse's 30 s per step.
// Once the budget is spent the connection counts as failed, with PA_ERR_TIMEOUT.
class PulseConnection {
public:
    // Connects and waits until the server has accepted us. Never spawns a
    // server. On failure returns null and sets `error` to libpulse's code
    // (PA_ERR_ACCESS when the server turns us away, PA_ERR_TIMEOUT when it
    // did not answer within the setup budget).
    static std::shared_ptr<PulseConnection> open(int& error);

    static constexpr pa_usec_t setupBudget = 8 * PA_USEC_PER_SEC;

    // Must not run on the mainloop thread (it stops that thread).
    ~PulseConnection();

    PulseConnection(const PulseConnection&) = delete;
    PulseConnection& operator=(const PulseConnection&) = delete;

    class Lock {
    public:
        explicit Lock(PulseConnection& connection);
        ~Lock();
        Lock(const Lock&) = delete;
        Lock& operator=(const Lock&) = delete;

    private:
        pa_threaded_mainloop* mainloop_;
    };

    pa_context* context() const { return context_; }
    pa_mainloop_api* api() const { return pa_threaded_mainloop_get_api(mainloop_); }
    // Connected, and the setup budget not spent by a wait.
    bool isReady() const;
    // The code of the last failure on this connection.
    int errorCode() const;

    // Lock held, not on the mainloop thread: sleeps until a callback signals
    // or the setup budget runs out. Returns at once once it has run out;
    // callers see that through isReady().
    void wait();
    // From callbacks: wakes every waiting thread, which then re-checks its state.
    void signal();

    // Lock held (or on the mainloop thread).
    void addObserver(ConnectionObserver* observer);
    void removeObserver(ConnectionObserver* observer);

private:
    PulseConnection();

    static void onStateChanged(pa_context* context, void* self);
    static void onSetupBudgetSpent(pa_mainloop_api* api, pa_time_event* event,
                                   const struct timeval* time, void* self);
    static void onSubscriptionEvent(pa_context* context, pa_subscription_event_type_t event,
                                    std::uint32_t index, void* self);
    void notifyObservers(const std::function<void(ConnectionObserver&)>& tell);

    pa_threaded_mainloop* mainloop_ = nullptr;
    pa_context* context_ = nullptr;
    bool failureReported_ = false;
    pa_usec_t setupDeadline_ = 0;
    pa_time_event* setupTimer_ = nullptr;
    bool setupTimedOut_ = false;
    std::vector<ConnectionObserver*> observers_;
};

}  // namespace tallwick
