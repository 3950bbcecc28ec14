#pragma once

#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include "platform/Microphone.h"
#include "platform/pulse/CallbackGate.h"
#include "platform/pulse/SharedHandler.h"
#include "platform/pulse/PulseConnection.h"
#include "platform/pulse/PulseInputNode.h"
#include "platform/pulse/ServerQueries.h"
#include "platform/pulse/SourceRecorder.h"

namespace tallwick {

class SerialQueue;

// Records the default source and feeds the input node's tap with buffers of
// the tap's size, on the mainloop thread as the audio arrives (the tap never
// waits for the reader of the events). The stop handler runs on a serial
// queue of the engine's own, after the last buffer.
class PulseAudioEngine final : public AudioEngine {
public:
    struct Source {
        std::string name;
        SourceLayout layout;
    };

    // `source` none means there is no microphone to record.
    PulseAudioEngine(std::shared_ptr<PulseConnection> connection, std::optional<Source> source);
    // Stops recording; once it returns, neither the tap nor the stop handler
    // is called again.
    ~PulseAudioEngine() override;

    InputNode& inputNode() override;
    bool start(std::optional<PlatformError>& error) override;
    void stop() override;
    void onStoppedWithError(std::function<void(const PlatformError&)> handler) override;
    void onNotice(std::function<void(const std::string& notice)> handler) override;

private:
    // What the mainloop side and the queued stop share; it outlives the
    // engine for as long as a task still holds it.
    struct Delivery {
        explicit Delivery(std::optional<AudioFormat> format) : node(std::move(format)) {}
        CallbackGate gate;
        PulseInputNode node;
        std::mutex mutex;
        std::shared_ptr<SerialQueue> queue;
        SharedHandler<PlatformError> stopped;
        SharedHandler<std::string> notice;
    };

    std::shared_ptr<PulseConnection> connection_;
    std::optional<Source> source_;
    std::shared_ptr<Delivery> delivery_;
    // Under the connection's lock.
    std::unique_ptr<SourceRecorder> recorder_;
};

}  // namespace tallwick
