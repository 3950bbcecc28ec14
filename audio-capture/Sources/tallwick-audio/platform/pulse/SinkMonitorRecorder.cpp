#include "platform/pulse/SinkMonitorRecorder.h"

#include "platform/pulse/ServerQueries.h"

namespace tallwick {

SinkMonitorRecorder::SinkMonitorRecorder(PulseConnection& connection, const pa_sample_spec& spec,
                                         Handlers handlers)
    : connection_(connection), spec_(spec), handlers_(std::move(handlers)) {}

SinkMonitorRecorder::~SinkMonitorRecorder() {
    connection_.removeObserver(this);
    cancelSinkLookup();
    for (pa_operation* operation : operations_) {
        if (pa_operation_get_state(operation) == PA_OPERATION_RUNNING) {
            pa_operation_cancel(operation);
        }
        pa_operation_unref(operation);
    }
    cancelOrphanTimer();
}

std::optional<int> SinkMonitorRecorder::start(const std::string& sink) {
    const auto defaults = queryServerDefaults(connection_);
    if (!defaults) {
        return connection_.errorCode();
    }
    lastDefaultSink_ = defaults->sink;
    const auto monitor = queryMonitorOfSink(connection_, sink);
    if (!monitor) {
        return connection_.isReady() ? PA_ERR_NOENTITY : connection_.errorCode();
    }
    int error = 0;
    const std::uint64_t id = nextId_++;
    auto stream = openMonitor(*monitor, id, error);
    if (!stream) {
        return error;
    }
    current_ = Recording{std::move(stream), sink, id};
    if (const auto failed = current_.stream->awaitReady(connection_)) {
        current_ = Recording{};
        return failed;
    }
    observing_ = true;
    connection_.addObserver(this);
    return std::nullopt;
}

std::optional<std::string> SinkMonitorRecorder::currentSource() const {
    if (!current_) {
        return std::nullopt;
    }
    return current_.stream->source();
}

std::unique_ptr<RecordStream> SinkMonitorRecorder::openMonitor(const std::string& monitor,
                                                               std::uint64_t id, int& error) {
    RecordStream::Handlers handlers;
    handlers.recorded = [this, id](std::vector<std::byte>&& bytes) {
        streamRecorded(id, std::move(bytes));
    };
    handlers.stateChanged = [this, id](pa_stream_state_t state) { streamStateChanged(id, state); };
    // Only what the recording that is heard has to say counts.
    handlers.noticed = [this, id](const std::string& notice) {
        if (!stopped_ && current_ && id == current_.id && handlers_.noticed) {
            handlers_.noticed(notice);
        }
    };
    const auto flags = static_cast<pa_stream_flags_t>(PA_STREAM_ADJUST_LATENCY | PA_STREAM_DONT_MOVE);
    return RecordStream::connect(connection_, spec_, nullptr, monitor, flags, std::move(handlers),
                                 error);
}

void SinkMonitorRecorder::streamRecorded(std::uint64_t id, std::vector<std::byte>&& bytes) {
    if (!stopped_ && candidate_ && id == candidate_.id) {
        promoteCandidate();
    }
    if (stopped_ || !current_ || id != current_.id) {
        return;
    }
    const std::size_t frameBytes = pa_frame_size(&spec_);
    if (!partialFrame_.empty()) {
        bytes.insert(bytes.begin(), partialFrame_.begin(), partialFrame_.end());
        partialFrame_.clear();
    }
    const std::size_t whole = bytes.size() - bytes.size() % frameBytes;
    partialFrame_.assign(bytes.begin() + static_cast<std::ptrdiff_t>(whole), bytes.end());
    bytes.resize(whole);
    if (!bytes.empty()) {
        handlers_.recorded(std::move(bytes));
    }
}

void SinkMonitorRecorder::streamStateChanged(std::uint64_t id, pa_stream_state_t state) {
    // A failing connection fails every stream too; connectionFailed() speaks for them.
    if (stopped_ || !observing_ || !connection_.isReady()) {
        return;
    }
    if (candidate_ && id == candidate_.id) {
        // While the old monitor still records, it goes on until the new one
        // has sound to give: a monitor can take a while to deliver its first
        // frames, and the old one fills that time.
        if (state == PA_STREAM_READY && !current_) {
            promoteCandidate();
        } else if (!PA_STREAM_IS_GOOD(state)) {
            // Without a current stream the orphan timer is running and bounds
            // how long later server events may still find a sink.
            retire(candidate_);
        }
        return;
    }
    if (current_ && id == current_.id && !PA_STREAM_IS_GOOD(state)) {
        currentLost();
    }
}

void SinkMonitorRecorder::currentLost() {
    lostReason_ = pulseErrorText(connection_.errorCode());
    current_.stream->drain();
    retire(current_);
    partialFrame_.clear();
    armOrphanTimer();
    if (!candidate_) {
        lookUpDefaultSink();
    }
}

void SinkMonitorRecorder::promoteCandidate() {
    if (current_) {
        // What the old monitor still holds comes before the new one's first frames.
        current_.stream->drain();
        retire(current_);
    }
    partialFrame_.clear();
    current_ = std::move(candidate_);
    candidate_ = Recording{};
    cancelOrphanTimer();
}

void SinkMonitorRecorder::lookUpDefaultSink() {
    track(pa_context_get_server_info(connection_.context(), &SinkMonitorRecorder::onServerInfo,
                                     this));
}

void SinkMonitorRecorder::onServerInfo(pa_context*, const pa_server_info* info, void* self) {
    auto& recorder = *static_cast<SinkMonitorRecorder*>(self);
    recorder.freeRetired();
    if (recorder.stopped_ || !info) {
        return;
    }
    std::optional<std::string> sink;
    if (info->default_sink_name) {
        sink = info->default_sink_name;
    }
    recorder.defaultSinkIs(sink);
}

void SinkMonitorRecorder::defaultSinkIs(const std::optional<std::string>& sink) {
    const bool changed = sink != lastDefaultSink_;
    lastDefaultSink_ = sink;
    if (!sink) {
        // No sink is left to follow; a recording still running lasts until
        // its own sink goes.
        if (!current_) {
            stop(lostReason_);
        }
        return;
    }
    if (current_ && current_.sink == *sink) {
        // Back where we are: whatever switch was under way is moot.
        retire(candidate_);
        cancelSinkLookup();
        return;
    }
    const bool underWay = (candidate_ && candidate_.sink == *sink) ||
                          (sinkLookup_ && lookupSink_ == *sink);
    // A sink that was not the default when recording began is kept until the
    // default changes.
    if (underWay || (current_ && !changed)) {
        return;
    }
    lookUpMonitor(*sink);
}

void SinkMonitorRecorder::lookUpMonitor(const std::string& sink) {
    cancelSinkLookup();
    lookupSink_ = sink;
    lookupMonitor_.reset();
    sinkLookup_ = pa_context_get_sink_info_by_name(connection_.context(), sink.c_str(),
                                                   &SinkMonitorRecorder::onSinkInfo, this);
}

void SinkMonitorRecorder::onSinkInfo(pa_context*, const pa_sink_info* info, int endOfList,
                                     void* self) {
    auto& recorder = *static_cast<SinkMonitorRecorder*>(self);
    if (endOfList == 0) {
        if (info && info->monitor_source_name) {
            recorder.lookupMonitor_ = info->monitor_source_name;
        }
        return;
    }
    // The dispatcher keeps its own reference until this callback returns.
    pa_operation_unref(recorder.sinkLookup_);
    recorder.sinkLookup_ = nullptr;
    recorder.freeRetired();
    // A sink that went again before we asked leaves the decision to the next
    // server event, or to the orphan timer.
    if (recorder.stopped_ || !recorder.lookupMonitor_) {
        return;
    }
    int error = 0;
    const std::uint64_t id = recorder.nextId_++;
    auto stream = recorder.openMonitor(*recorder.lookupMonitor_, id, error);
    if (!stream) {
        return;
    }
    recorder.retire(recorder.candidate_);
    recorder.candidate_ = Recording{std::move(stream), recorder.lookupSink_, id};
}

void SinkMonitorRecorder::armOrphanTimer() {
    if (orphanTimer_) {
        return;
    }
    orphanTimer_ = pa_context_rttime_new(connection_.context(), pa_rtclock_now() + orphanGrace,
                                         &SinkMonitorRecorder::onOrphanTimeout, this);
}

void SinkMonitorRecorder::cancelOrphanTimer() {
    if (orphanTimer_) {
        connection_.api()->time_free(orphanTimer_);
        orphanTimer_ = nullptr;
    }
}

void SinkMonitorRecorder::onOrphanTimeout(pa_mainloop_api*, pa_time_event*, const struct timeval*,
                                          void* self) {
    auto& recorder = *static_cast<SinkMonitorRecorder*>(self);
    recorder.cancelOrphanTimer();
    recorder.freeRetired();
    if (!recorder.stopped_ && !recorder.current_) {
        recorder.stop(recorder.lostReason_);
    }
}

void SinkMonitorRecorder::connectionFailed(const std::string& reason) { stop(reason); }

void SinkMonitorRecorder::serverChanged() {
    freeRetired();
    if (!stopped_) {
        lookUpDefaultSink();
    }
}

void SinkMonitorRecorder::stop(const std::string& reason) {
    if (stopped_) {
        return;
    }
    // Whatever arrived before the end still goes out, ahead of the notice.
    if (current_) {
        current_.stream->drain();
    }
    stopped_ = true;
    retire(current_);
    retire(candidate_);
    cancelSinkLookup();
    cancelOrphanTimer();
    handlers_.stopped(reason);
}

void SinkMonitorRecorder::retire(Recording& recording) {
    if (!recording) {
        return;
    }
    recording.stream->disconnect();
    retired_.push_back(std::move(recording.stream));
    recording = Recording{};
}

void SinkMonitorRecorder::freeRetired() { retired_.clear(); }

void SinkMonitorRecorder::track(pa_operation* operation) {
    std::erase_if(operations_, [](pa_operation* done) {
        if (pa_operation_get_state(done) == PA_OPERATION_RUNNING) {
            return false;
        }
        pa_operation_unref(done);
        return true;
    });
    if (operation) {
        operations_.push_back(operation);
    }
}

void SinkMonitorRecorder::cancelSinkLookup() {
    if (sinkLookup_) {
        pa_operation_cancel(sinkLookup_);
        pa_operation_unref(sinkLookup_);
        sinkLookup_ = nullptr;
    }
}

}  // namespace tallwick
