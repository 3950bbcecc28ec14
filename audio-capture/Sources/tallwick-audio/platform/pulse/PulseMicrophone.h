#pragma once

#include <memory>
#include <mutex>

#include "platform/Microphone.h"
#include "platform/pulse/PulseConnection.h"

namespace tallwick {

class SerialQueue;

// The sound server's default source. Access is granted unless the server
// turns us away; a server that cannot be reached is not a refusal, and the
// engine then reports a format nothing can be converted from.
class PulseMicrophone final : public Microphone {
public:
    // `requests` runs access requests and their completions.
    explicit PulseMicrophone(std::shared_ptr<SerialQueue> requests);

    void requestAccess(std::function<void(bool granted)> completion) override;
    // Waits for the server's answer about the default source.
    std::shared_ptr<AudioEngine> makeEngine() override;

private:
    // The connection the last access request made, taken over by the next engine.
    struct Access {
        std::mutex mutex;
        std::shared_ptr<PulseConnection> connection;
    };

    std::shared_ptr<SerialQueue> requests_;
    std::shared_ptr<Access> access_;
};

}  // namespace tallwick
