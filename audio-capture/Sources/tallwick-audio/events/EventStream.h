#pragma once

#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace tallwick {

// One JSON object per line on a file descriptor. Lines from different threads
// never interleave: each goes out whole, under one lock, however many write
// calls the descriptor needs for it (pipes split writes above 4096 bytes).
class EventStream {
public:
    explicit EventStream(int fd);

    EventStream(const EventStream&) = delete;
    EventStream& operator=(const EventStream&) = delete;

    void emit(std::string_view type, std::optional<std::string_view> data,
              std::optional<std::string_view> message);
    // The same line as emit("audio", base64Encode(pcm), std::nullopt), built
    // straight from the samples: the base64 text needs no string of its own,
    // and of JSON's escapes only "/" can occur in it.
    void emitAudio(std::span<const std::uint8_t> pcm);

    // Where the lines go. Tests point the process-wide stream at a file.
    void redirect(int fd);

    // Called, under the stream's lock, when the descriptor can no longer be
    // written (the reader went away). The default ends the process at once:
    // capturing on with nobody listening would keep a microphone open for a
    // reader that has died.
    void onReaderGone(std::function<void()> handler);

private:
    void writeWhole(const std::string& line);

    std::mutex mutex_;
    int fd_;
    std::function<void()> readerGone_;
};

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
