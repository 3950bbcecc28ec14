#pragma once

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <thread>

#include "events/PendingLines.h"

namespace tallwick {

// One JSON object per line on a file descriptor. Lines from different threads
// never interleave: each goes out whole, in the order emitted, however many
// write calls the descriptor needs for it (pipes split writes above 4096 bytes).
//
// Emitting never waits for the reader of a pipe or socket. A line goes out at
// once while the descriptor takes it; once it does not, lines wait for a
// writer thread of the stream's own, so the thread that captures keeps
// capturing. The audio waiting is capped (a minute by default); beyond it the
// oldest goes, and once the reader has caught up a "log" line says how much:
// "Reader too slow: 12.34 s of audio dropped". Files and terminals are
// written directly.
class EventStream {
public:
    // What the audio lines carry: 16 kHz mono 16-bit samples.
    static constexpr std::size_t audioBytesPerSecond = 32000;
    static constexpr double defaultCapSeconds = 60.0;
    // A wait that held more text than this hands its memory back to the
    // system once it is over.
    static constexpr std::size_t trimAboveBytes = 1 << 20;

    explicit EventStream(int fd, double capSeconds = defaultCapSeconds);
    // Writes what still waits, then stops its writer.
    ~EventStream();

    EventStream(const EventStream&) = delete;
    EventStream& operator=(const EventStream&) = delete;

    void emit(std::string_view type, std::optional<std::string_view> data,
              std::optional<std::string_view> message);
    // The same line as emit("audio", base64Encode(pcm), std::nullopt), built
    // straight from the samples: the base64 text needs no string of its own,
    // and of JSON's escapes only "/" can occur in it.
    void emitAudio(std::span<const std::uint8_t> pcm);

    // Returns once every line emitted before it is written, or the reader has gone.
    void flush();

    // Where the lines go. Tests point the process-wide stream at a file.
    void redirect(int fd);

    // Called, under the stream's lock, when the descriptor can no longer be
    // written (the reader went away). The default ends the process at once:
    // capturing on with nobody listening would keep a microphone open for a
    // reader that has died.
    void onReaderGone(std::function<void()> handler);

private:
    // Lock held for all of these.
    void send(std::string_view line, std::size_t audioBytes, bool droppable);
    bool hasWaiting() const { return !unfinished_.empty() || !pending_.empty(); }
    bool idle() const { return !hasWaiting() && !writing_; }
    // The next line to write, out of the waiting ones.
    std::string takeWaiting();
    void handToWriter();
    void writeWaitingNow();
    void readerGone();

    // The writer thread.
    void serveSlowReader();

    std::mutex mutex_;
    std::condition_variable changed_;
    int fd_;
    // Pipes and sockets: their reader may stall.
    bool readerMayStall_;
    // Whether the system can write to fd_ without waiting; until it says no.
    bool writesWithoutWaiting_ = true;
    std::function<void()> readerGone_;
    bool gone_ = false;
    PendingLines pending_;
    // What the descriptor has not yet taken of a line it took in part.
    std::string unfinished_;
    // The writer is writing, outside the lock.
    bool writing_ = false;
    bool stopping_ = false;
    std::thread writer_;
};

// The notice for audio that waited past the cap: "Reader too slow: 12.34 s of audio dropped".
std::string droppedAudioNotice(double seconds);

// The event line of one event, line feed included.
std::string formatEventLine(std::string_view type, std::optional<std::string_view> data,
                            std::optional<std::string_view> message);

// The process's event stream on standard output.
EventStream& standardOutputEvents();

// Every event of the tool goes out through here.
void emit(std::string_view type, std::optional<std::string_view> data = std::nullopt,
          std::optional<std::string_view> message = std::nullopt);
// An "audio" event carrying `pcm`, on the process's event stream.
void emitAudio(std::span<const std::uint8_t> pcm);

}  // namespace tallwick
