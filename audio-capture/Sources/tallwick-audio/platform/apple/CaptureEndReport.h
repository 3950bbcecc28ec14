#pragma once

#include <functional>
#include <mutex>
#include <optional>

#include "PlatformError.h"

namespace tallwick {

// Reports, once, that a capture ended without being asked to: the first end
// from the moment the capture starts starting goes to the handler (or waits
// for one to be set); later ends, ends before the start and ends after our own
// stop are dropped. An end while starting counts: a Bluetooth headset switches
// profile and rate as the microphone opens, and a capture set up for the old
// format must not run on silently. The handler runs outside the lock, so it
// may stop the capture itself.
class CaptureEndReport {
public:
    using Handler = std::function<void(const PlatformError&)>;

    void setHandler(Handler handler);
    void starting();
    void started();
    // Ends reported after this are the consequence of our own stop (or of a
    // start that failed), not news.
    void stopped();
    void ended(const PlatformError& reason);

private:
    enum class State { idle, starting, running, stopped };

    std::mutex mutex_;
    Handler handler_;
    State state_ = State::idle;
    bool reported_ = false;
    std::optional<PlatformError> unheard_;
};

}  // namespace tallwick
