#pragma once

#include <pulse/pulseaudio.h>

#include <cstddef>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/pulse/PulseConnection.h"

namespace tallwick {

// One record stream on a named source.
//
// Both handlers run on the mainloop thread and must not destroy the stream
// they are called for; an owner that wants to drop it from there keeps it
// aside until it is back on another path.
class RecordStream {
public:
    struct Handlers {
        // Everything that was readable at once, holes filled with silence so
        // that the timeline never shrinks.
        std::function<void(std::vector<std::byte>&& bytes)> recorded;
        // The stream became ready, failed or was terminated.
        std::function<void(pa_stream_state_t state)> stateChanged;
    };

    // Lock held. Starts connecting; the stream reports READY or FAILED through
    // stateChanged. Null with `error` set when it cannot even be started.
    static std::unique_ptr<RecordStream> connect(PulseConnection& connection,
                                                 const pa_sample_spec& spec,
                                                 const pa_channel_map* channelMap,
                                                 const std::string& source,
                                                 pa_stream_flags_t flags, Handlers handlers,
                                                 int& error);

    // Lock held, or on the mainloop thread. Disconnects; no handler runs after.
    ~RecordStream();

    RecordStream(const RecordStream&) = delete;
    RecordStream& operator=(const RecordStream&) = delete;

    pa_stream_state_t state() const;
    const std::string& source() const { return source_; }

    // Hands whatever is readable right now to `recorded`.
    void readAvailable();

    // Stops recording at once; no handler runs after. Safe from within the
    // stream's own handlers, unlike destruction.
    void disconnect();

    // Lock held, not on the mainloop thread: waits until the stream records
    // or fails. Returns the error code on failure.
    std::optional<int> awaitReady(PulseConnection& connection);

    // About 20 ms of audio: the server's default would be two seconds.
    static constexpr pa_usec_t fragmentDuration = 20 * PA_USEC_PER_MSEC;

private:
    RecordStream(PulseConnection& connection, pa_stream* stream, std::string source,
                 Handlers handlers);

    static void onRead(pa_stream* stream, std::size_t bytes, void* self);
    static void onStateChanged(pa_stream* stream, void* self);

    PulseConnection& connection_;
    pa_stream* stream_;
    std::string source_;
    Handlers handlers_;
};

}  // namespace tallwick
