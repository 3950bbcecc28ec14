#pragma once

#include <pulse/pulseaudio.h>

#include <cstddef>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/pulse/LostAudioDetector.h"
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
        // At least a fragment of audio at a time (less only from drain()),
        // holes filled with silence so that the timeline never shrinks. The
        // server may send far smaller pieces; handing each over on its own
        // would multiply the work downstream for no gain in latency worth it.
        std::function<void(std::vector<std::byte>&& bytes)> recorded;
        // The stream became ready, failed or was terminated.
        std::function<void(pa_stream_state_t state)> stateChanged;
        // A line about the recording that does not end it: audio the server
        // lost, the source suspended or resumed. What was recorded before it
        // has been handed over first.
        std::function<void(const std::string& notice)> noticed;
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

    // Reads whatever is readable right now; hands it to `recorded` once a
    // fragment has gathered.
    void readAvailable();
    // Reads what is readable and hands over everything gathered, however
    // little: for a stream about to be retired or lost.
    void drain();

    // Stops recording at once; no handler runs after. Safe from within the
    // stream's own handlers, unlike destruction.
    void disconnect();

    // Lock held, not on the mainloop thread: waits until the stream records
    // or fails. Returns the error code on failure.
    std::optional<int> awaitReady(PulseConnection& connection);

    // About 20 ms of audio: the server's default would be two seconds.
    static constexpr pa_usec_t fragmentDuration = 20 * PA_USEC_PER_MSEC;
    // How often the audio that arrived is checked against the clock.
    static constexpr pa_usec_t lossCheckPeriod = PA_USEC_PER_SEC;

private:
    RecordStream(PulseConnection& connection, pa_stream* stream, std::string source,
                 std::size_t fragmentBytes, Handlers handlers);

    static void onRead(pa_stream* stream, std::size_t bytes, void* self);
    static void onStateChanged(pa_stream* stream, void* self);
    static void onSuspended(pa_stream* stream, void* self);
    static void onLossCheck(pa_mainloop_api* api, pa_time_event* event,
                            const struct timeval* time, void* self);
    void tell(const std::string& notice);

    PulseConnection& connection_;
    pa_stream* stream_;
    std::string source_;
    std::size_t fragmentBytes_;
    std::size_t frameBytes_;
    std::vector<std::byte> gathered_;
    Handlers handlers_;
    LostAudioDetector lostAudio_;
    pa_time_event* lossCheck_ = nullptr;
};

}  // namespace tallwick
