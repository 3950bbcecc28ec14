#include "platform/pulse/PulseMicrophone.h"

#include "platform/SerialQueue.h"
#include "platform/pulse/PulseAudioEngine.h"
#include "platform/pulse/ServerQueries.h"

namespace tallwick {

namespace {

// The default source, unless there is none or it is only a sink's monitor:
// what is played is not what a microphone hears.
std::optional<PulseAudioEngine::Source> defaultMicrophone(PulseConnection& connection) {
    PulseConnection::Lock lock(connection);
    const auto defaults = queryServerDefaults(connection);
    if (!defaults || !defaults->source) {
        return std::nullopt;
    }
    const auto layout = querySourceLayout(connection, *defaults->source);
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
            access->connection = connection;
        }
        connection.reset();
        completion(error != PA_ERR_ACCESS);
    });
}

std::shared_ptr<AudioEngine> PulseMicrophone::makeEngine() {
    std::shared_ptr<PulseConnection> connection;
    {
        std::lock_guard lock(access_->mutex);
        connection = std::move(access_->connection);
    }
    int error = 0;
    if (!connection) {
        connection = PulseConnection::open(error);
    }
    std::optional<PulseAudioEngine::Source> source;
    if (connection) {
        source = defaultMicrophone(*connection);
    }
    return std::make_shared<PulseAudioEngine>(std::move(connection), error, std::move(source));
}

}  // namespace tallwick
