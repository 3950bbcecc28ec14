#pragma once

#include <memory>
#include <mutex>

#include "platform/Microphone.h"
#include "platform/pulse/PulseConnection.h"

namespace tallwick {

class SerialQueue;

// The sound server's default source. Access is granted unless the server
// turns us away. Asking connects, once: the engine takes that connection over,
// or, when the server could not be reached, fails with the server's own words
// ("Connection refused", "Timeout", ...) rather than connect again.
class PulseMicrophone final : public Microphone {
public:
    // `requests` runs access requests and their completions.
    explicit PulseMicrophone(std::shared_ptr<SerialQueue> requests);

    void requestAccess(std::function<void(bool granted)> completion) override;
    // Waits for the server's answer about the default source. Throws
    // PlatformError when the server cannot be reached; a server without a
    // microphone gives an engine whose input has no format.
    std::shared_ptr<AudioEngine> makeEngine() override;

private:
    // What the last access request found, taken over by the next engine.
    struct Access {
        std::mutex mutex;
        bool asked = false;
        std::shared_ptr<PulseConnection> connection;
        int error = 0;
    };

    std::shared_ptr<SerialQueue> requests_;
    std::shared_ptr<Access> access_;
};

}  // namespace tallwick
