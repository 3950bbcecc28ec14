#pragma once

#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include "platform/ScreenCapture.h"
#include "platform/pulse/CallbackGate.h"
#include "platform/pulse/PulseConnection.h"
#include "platform/pulse/SharedHandler.h"
#include "platform/pulse/SinkMonitorRecorder.h"

namespace tallwick {

// The system-audio stream: what the default sink plays, as float32 at the
// configured rate and channel count (the server converts).
//
// Buffers and notices reach the output on the mainloop thread, as they
// arrive: what the output does with them is short and never waits for the
// reader of the events (see EventStream), and handing every buffer to another
// thread would cost more than the work itself. The stop reaches the delegate
// on the queue given with the output, after the last buffer, so nothing
// recorded before it is lost.
//
// This process plays nothing, so leaving its own audio out needs no work.
class PulseStream final : public Stream, public std::enable_shared_from_this<PulseStream> {
public:
    // `connection` null (a filter of another backend) makes start fail.
    // `requests` runs the start and its completion, off the caller's thread.
    PulseStream(std::shared_ptr<PulseConnection> connection, std::string sink,
                const StreamConfiguration& configuration, StreamDelegate* delegate,
                std::shared_ptr<SerialQueue> requests);
    // Once it returns, neither the output nor the delegate is called again.
    ~PulseStream() override;

    bool addStreamOutput(StreamOutput& output, StreamOutputType type,
                         std::shared_ptr<SerialQueue> queue,
                         std::optional<PlatformError>& error) override;
    void startCapture(std::function<void(std::optional<PlatformError>)> completion) override;
    void onNotice(std::function<void(const std::string& notice)> handler) override;

    // The source recorded now, if any.
    std::optional<std::string> recordedSource();

private:
    // What the mainloop side and queued tasks share; it outlives the stream
    // for as long as a task still holds it.
    struct Delivery : std::enable_shared_from_this<Delivery> {
        CallbackGate gate;
        Stream* stream = nullptr;
        StreamDelegate* delegate = nullptr;
        std::shared_ptr<SerialQueue> requests;

        std::mutex mutex;
        StreamOutput* output = nullptr;
        std::shared_ptr<SerialQueue> queue;
        SharedHandler<std::string> notice;
        // Set when recording starts, before any buffer.
        double sampleRate = 0;
        std::uint32_t channels = 0;

        // From the mainloop thread.
        void deliver(std::vector<std::byte>&& frames);
        void reportStop(const std::string& reason);
        void reportNotice(const std::string& text);
    };

    std::optional<PlatformError> startRecording();

    std::shared_ptr<PulseConnection> connection_;
    std::string sink_;
    StreamConfiguration configuration_;
    std::shared_ptr<Delivery> delivery_;
    // Under the connection's lock.
    std::unique_ptr<SinkMonitorRecorder> recorder_;
};

}  // namespace tallwick
