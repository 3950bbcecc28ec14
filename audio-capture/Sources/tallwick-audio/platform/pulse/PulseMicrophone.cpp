#include "platform/pulse/PulseMicrophone.h"

#include <utility>

#include "platform/SerialQueue.h"
#include "platform/pulse/PulseAudioEngine.h"
#include "platform/pulse/ServerQueries.h"

namespace tallwick {

namespace {

// The default source, unless there is none or it is only a sink's monitor:
// what is played is not what a microphone hears. A server that fails while
// asked is its own error.
std::optional<PulseAudioEngine::Source> defaultMicrophone(PulseConnection& connection) {
    PulseConnection::Lock lock(connection);
    const auto defaults = queryServerDefaults(connection);
    const auto layout = defaults && defaults->source
                            ? querySourceLayout(connection, *defaults->source)
                            : std::nullopt;
    if (!connection.isReady()) {
        throw PlatformError(pulseErrorText(connection.errorCode()));
    }
    if (!layout || layout->isMonitor) {
        return std::nullopt;
    }
    return PulseAudioEngine::Source{*defaults->source, *layout};
}

}  // namespace

PulseMicrophone::PulseMicrophone(std::shared_ptr<SerialQueue> requests)
    : requests_(std::move(requests)), access_(std::make_shared<Access>()) {}

void PulseMicrophone::requestAccess(std::function<void(bool granted)> completion) {
    requests_->async([access = access_, completion = std::move(completion)] {
        int error = 0;
        auto connection = PulseConnection::open(error);
        {
            std::lock_guard lock(access->mutex);
            access->asked = true;
            access->connection = connection;
            access->error = error;
        }
        connection.reset();
        completion(error != PA_ERR_ACCESS);
    });
}

std::shared_ptr<AudioEngine> PulseMicrophone::makeEngine() {
    std::shared_ptr<PulseConnection> connection;
    int error = 0;
    bool asked = false;
    {
        std::lock_guard lock(access_->mutex);
        asked = std::exchange(access_->asked, false);
        connection = std::move(access_->connection);
        error = access_->error;
    }
    if (!asked) {
        connection = PulseConnection::open(error);
    }
    if (!connection) {
        throw PlatformError(pulseErrorText(error));
    }
    auto source = defaultMicrophone(*connection);
    return std::make_shared<PulseAudioEngine>(std::move(connection), std::move(source));
}

}  // namespace tallwick
