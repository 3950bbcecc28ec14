#include "platform/pulse/SourceRecorder.h"

namespace tallwick {

SourceRecorder::SourceRecorder(PulseConnection& connection, Handlers handlers)
    : connection_(connection), handlers_(std::move(handlers)) {}

SourceRecorder::~SourceRecorder() { connection_.removeObserver(this); }

std::optional<int> SourceRecorder::start(const std::string& source, const pa_sample_spec& spec,
                                         const pa_channel_map* channelMap) {
    RecordStream::Handlers handlers;
    handlers.recorded = [this](std::vector<std::byte>&& bytes) {
        if (!lost_) {
            handlers_.recorded(std::move(bytes));
        }
    };
    handlers.stateChanged = [this](pa_stream_state_t state) { streamStateChanged(state); };
    handlers.noticed = [this](const std::string& notice) {
        if (!lost_ && handlers_.noticed) {
            handlers_.noticed(notice);
        }
    };
    const auto flags = static_cast<pa_stream_flags_t>(PA_STREAM_ADJUST_LATENCY | PA_STREAM_DONT_MOVE);
    int error = 0;
    stream_ = RecordStream::connect(connection_, spec, channelMap, source, flags,
                                    std::move(handlers), error);
    if (!stream_) {
        return error;
    }
    if (const auto failed = stream_->awaitReady(connection_)) {
        stream_.reset();
        return failed;
    }
    started_ = true;
    connection_.addObserver(this);
    return std::nullopt;
}

void SourceRecorder::connectionFailed(const std::string& reason) { lose(reason); }

void SourceRecorder::streamStateChanged(pa_stream_state_t state) {
    // A failing connection fails its streams too; connectionFailed() speaks for them.
    if (started_ && !PA_STREAM_IS_GOOD(state) && connection_.isReady()) {
        lose(pulseErrorText(connection_.errorCode()));
    }
}

void SourceRecorder::lose(const std::string& reason) {
    if (lost_) {
        return;
    }
    // Whatever arrived before the loss still goes out, ahead of the notice.
    stream_->drain();
    lost_ = true;
    // Called from the stream's own handler: disconnecting is safe there, destroying is not.
    stream_->disconnect();
    handlers_.lost(reason);
}

}  // namespace tallwick
