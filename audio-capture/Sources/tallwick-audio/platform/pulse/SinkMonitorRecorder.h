#pragma once

#include <pulse/pulseaudio.h>

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/pulse/PulseConnection.h"
#include "platform/pulse/RecordStream.h"

namespace tallwick {

// Records what a sink plays, by recording the sink's monitor, and follows the
// sound the user hears: when the server's default sink changes, or the sink
// being recorded goes away while another is the default, recording goes on
// from the new default sink's monitor.
//
// Streams are opened so that the server never moves them: a record stream
// whose sink vanished would otherwise be moved to the default source, the
// microphone. A move to another sink is done here instead, by opening a new
// stream and retiring the old one once the new one records, so that at most a
// fragment or two of audio is missing.
//
// Everything but construction, start() and destruction runs on the mainloop
// thread; those three need the connection locked.
class SinkMonitorRecorder final : private ConnectionObserver {
public:
    struct Handlers {
        // Whole frames of the requested spec, in recording order.
        std::function<void(std::vector<std::byte>&& frames)> recorded;
        // Called once, when recording has ended for good: the connection
        // failed, or the sink vanished and no other is left. Nothing is
        // recorded after it.
        std::function<void(const std::string& reason)> stopped;
        // A line about the recording that does not end it, in order with the
        // frames: audio the server lost, the device suspended or resumed.
        std::function<void(const std::string& notice)> noticed;
    };

    // How long recording waits, after its sink vanished, for the server to
    // name another default sink before it gives up.
    static constexpr pa_usec_t orphanGrace = PA_USEC_PER_SEC;

    SinkMonitorRecorder(PulseConnection& connection, const pa_sample_spec& spec,
                        Handlers handlers);
    ~SinkMonitorRecorder() override;

    SinkMonitorRecorder(const SinkMonitorRecorder&) = delete;
    SinkMonitorRecorder& operator=(const SinkMonitorRecorder&) = delete;

    // Not on the mainloop thread: opens the monitor of `sink` and waits until
    // it records. Returns libpulse's error code when it cannot.
    std::optional<int> start(const std::string& sink);

    // The source being recorded now, if any (for tests and diagnostics).
    std::optional<std::string> currentSource() const;

private:
    struct Recording {
        std::unique_ptr<RecordStream> stream;
        std::string sink;
        std::uint64_t id = 0;
        explicit operator bool() const { return stream != nullptr; }
    };

    void connectionFailed(const std::string& reason) override;
    void serverChanged() override;

    std::unique_ptr<RecordStream> openMonitor(const std::string& monitor, std::uint64_t id,
                                              int& error);
    void streamRecorded(std::uint64_t id, std::vector<std::byte>&& bytes);
    void streamStateChanged(std::uint64_t id, pa_stream_state_t state);
    void currentLost();
    void promoteCandidate();

    void lookUpDefaultSink();
    static void onServerInfo(pa_context* context, const pa_server_info* info, void* self);
    void defaultSinkIs(const std::optional<std::string>& sink);
    void lookUpMonitor(const std::string& sink);
    static void onSinkInfo(pa_context* context, const pa_sink_info* info, int endOfList,
                           void* self);

    void armOrphanTimer();
    void cancelOrphanTimer();
    static void onOrphanTimeout(pa_mainloop_api* api, pa_time_event* event,
                                const struct timeval* time, void* self);

    void stop(const std::string& reason);
    void retire(Recording& recording);
    void freeRetired();
    void track(pa_operation* operation);
    void cancelSinkLookup();

    PulseConnection& connection_;
    pa_sample_spec spec_;
    Handlers handlers_;
    bool observing_ = false;
    bool stopped_ = false;

    Recording current_;
    Recording candidate_;
    std::vector<std::unique_ptr<RecordStream>> retired_;
    std::uint64_t nextId_ = 1;

    std::optional<std::string> lastDefaultSink_;
    std::string lostReason_;
    std::vector<std::byte> partialFrame_;

    std::vector<pa_operation*> operations_;
    pa_operation* sinkLookup_ = nullptr;
    std::string lookupSink_;
    std::optional<std::string> lookupMonitor_;
    pa_time_event* orphanTimer_ = nullptr;
};

}  // namespace tallwick
