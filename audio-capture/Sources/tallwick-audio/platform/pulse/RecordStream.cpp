#include "platform/pulse/RecordStream.h"

#include <pulse/rtclock.h>

#include <cstdio>
#include <cstring>
#include <utility>

namespace tallwick {

std::unique_ptr<RecordStream> RecordStream::connect(PulseConnection& connection,
                                                    const pa_sample_spec& spec,
                                                    const pa_channel_map* channelMap,
                                                    const std::string& source,
                                                    pa_stream_flags_t flags, Handlers handlers,
                                                    int& error) {
    if (!pa_sample_spec_valid(&spec) || (channelMap && !pa_channel_map_compatible(channelMap, &spec))) {
        error = PA_ERR_INVALID;
        return nullptr;
    }
    pa_stream* stream = pa_stream_new(connection.context(), "tallwick_audio capture", &spec, channelMap);
    if (!stream) {
        error = connection.errorCode();
        return nullptr;
    }
    const std::size_t fragmentBytes = pa_usec_to_bytes(fragmentDuration, &spec);
    std::unique_ptr<RecordStream> record(
        new RecordStream(connection, stream, source, fragmentBytes, std::move(handlers)));

    pa_buffer_attr attributes;
    attributes.maxlength = static_cast<std::uint32_t>(-1);
    attributes.tlength = static_cast<std::uint32_t>(-1);
    attributes.prebuf = static_cast<std::uint32_t>(-1);
    attributes.minreq = static_cast<std::uint32_t>(-1);
    attributes.fragsize = static_cast<std::uint32_t>(fragmentBytes);
    if (pa_stream_connect_record(stream, source.c_str(), &attributes, flags) < 0) {
        error = connection.errorCode();
        return nullptr;
    }
    return record;
}

RecordStream::RecordStream(PulseConnection& connection, pa_stream* stream, std::string source,
                           std::size_t fragmentBytes, Handlers handlers)
    : connection_(connection),
      stream_(stream),
      source_(std::move(source)),
      fragmentBytes_(fragmentBytes),
      frameBytes_(pa_frame_size(pa_stream_get_sample_spec(stream))),
      handlers_(std::move(handlers)),
      lostAudio_(pa_stream_get_sample_spec(stream_)->rate) {
    pa_stream_set_read_callback(stream_, &RecordStream::onRead, this);
    pa_stream_set_state_callback(stream_, &RecordStream::onStateChanged, this);
    pa_stream_set_suspended_callback(stream_, &RecordStream::onSuspended, this);
    lossCheck_ = pa_context_rttime_new(connection_.context(), pa_rtclock_now() + lossCheckPeriod,
                                       &RecordStream::onLossCheck, this);
}

RecordStream::~RecordStream() {
    disconnect();
    pa_stream_unref(stream_);
}

void RecordStream::disconnect() {
    pa_stream_set_read_callback(stream_, nullptr, nullptr);
    pa_stream_set_state_callback(stream_, nullptr, nullptr);
    pa_stream_set_suspended_callback(stream_, nullptr, nullptr);
    if (lossCheck_) {
        connection_.api()->time_free(lossCheck_);
        lossCheck_ = nullptr;
    }
    if (PA_STREAM_IS_GOOD(pa_stream_get_state(stream_))) {
        pa_stream_disconnect(stream_);
    }
}

pa_stream_state_t RecordStream::state() const { return pa_stream_get_state(stream_); }

void RecordStream::readAvailable() {
    const std::size_t before = gathered_.size();
    for (;;) {
        const void* data = nullptr;
        std::size_t length = 0;
        if (pa_stream_peek(stream_, &data, &length) < 0 || length == 0) {
            break;
        }
        const std::size_t end = gathered_.size();
        gathered_.resize(end + length);
        if (data) {
            std::memcpy(gathered_.data() + end, data, length);
        }  // else a hole: the resize already filled it with silence
        pa_stream_drop(stream_);
    }
    if (gathered_.size() > before) {
        const std::size_t frames = (gathered_.size() - before) / frameBytes_;
        lostAudio_.arrived(frames, static_cast<double>(pa_rtclock_now()) / PA_USEC_PER_SEC);
    }
    if (gathered_.size() >= fragmentBytes_ && handlers_.recorded) {
        handlers_.recorded(std::exchange(gathered_, {}));
    }
}

void RecordStream::drain() {
    readAvailable();
    if (!gathered_.empty() && handlers_.recorded) {
        handlers_.recorded(std::exchange(gathered_, {}));
    }
}

std::optional<int> RecordStream::awaitReady(PulseConnection& connection) {
    for (;;) {
        const pa_stream_state_t current = state();
        if (current == PA_STREAM_READY) {
            return std::nullopt;
        }
        if (!PA_STREAM_IS_GOOD(current) || !connection.isReady()) {
            return connection.errorCode();
        }
        connection.wait();
    }
}

void RecordStream::onRead(pa_stream*, std::size_t, void* self) {
    static_cast<RecordStream*>(self)->readAvailable();
}

void RecordStream::onStateChanged(pa_stream* stream, void* self) {
    auto& record = *static_cast<RecordStream*>(self);
    if (record.handlers_.stateChanged) {
        record.handlers_.stateChanged(pa_stream_get_state(stream));
    }
    // awaitReady() may be waiting for exactly this.
    record.connection_.signal();
}

void RecordStream::tell(const std::string& notice) {
    drain();
    if (handlers_.noticed) {
        handlers_.noticed(notice);
    }
}

void RecordStream::onSuspended(pa_stream* stream, void* self) {
    auto& record = *static_cast<RecordStream*>(self);
    // A suspended source records nothing, on purpose: that is no loss.
    record.lostAudio_.restart();
    record.tell(pa_stream_is_suspended(stream) > 0 ? "Audio device suspended"
                                                   : "Audio device resumed");
}

void RecordStream::onLossCheck(pa_mainloop_api*, pa_time_event* event, const struct timeval*,
                               void* self) {
    auto& record = *static_cast<RecordStream*>(self);
    pa_context_rttime_restart(record.connection_.context(), event,
                              pa_rtclock_now() + lossCheckPeriod);
    if (const auto lost = record.lostAudio_.check()) {
        char text[64];
        std::snprintf(text, sizeof text, "%.2f s of audio lost in the sound server", *lost);
        record.tell(text);
    }
}

}  // namespace tallwick
