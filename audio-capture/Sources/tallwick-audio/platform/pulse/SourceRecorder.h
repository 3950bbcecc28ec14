#pragma once

#include <pulse/pulseaudio.h>

#include <cstddef>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/pulse/PulseConnection.h"
#include "platform/pulse/RecordStream.h"

namespace tallwick {

// Records one source, never moved elsewhere by the server: if the device goes
// away, that is the end of the recording, reported once, rather than sound
// from some other device.
//
// Handlers run on the mainloop thread; construction, start() and destruction
// need the connection locked.
class SourceRecorder final : private ConnectionObserver {
public:
    struct Handlers {
        std::function<void(std::vector<std::byte>&& bytes)> recorded;
        // Once, when the source or the connection is lost; nothing is recorded after.
        std::function<void(const std::string& reason)> lost;
        // A line about the recording that does not end it, in order with the audio.
        std::function<void(const std::string& notice)> noticed;
    };

    SourceRecorder(PulseConnection& connection, Handlers handlers);
    ~SourceRecorder() override;

    SourceRecorder(const SourceRecorder&) = delete;
    SourceRecorder& operator=(const SourceRecorder&) = delete;

    // Not on the mainloop thread: waits until the source records. Returns
    // libpulse's error code when it cannot.
    std::optional<int> start(const std::string& source, const pa_sample_spec& spec,
                             const pa_channel_map* channelMap);

    bool hasLost() const { return lost_; }

private:
    void connectionFailed(const std::string& reason) override;
    void streamStateChanged(pa_stream_state_t state);
    void lose(const std::string& reason);

    PulseConnection& connection_;
    Handlers handlers_;
    std::unique_ptr<RecordStream> stream_;
    bool started_ = false;
    bool lost_ = false;
};

}  // namespace tallwick
