#include "EventStream.h"

#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>

#include "events/Base64.h"
#include "events/JsonText.h"

namespace tallwick {

namespace {

void appendEventLine(std::string& line, std::string_view type,
                     std::optional<std::string_view> data,
                     std::optional<std::string_view> message) {
    line += "{\"type\":";
    appendJsonString(line, type);
    if (data) {
        line += ",\"data\":";
        appendJsonString(line, *data);
    }
    if (message) {
        line += ",\"message\":";
        appendJsonString(line, *message);
    }
    line += "}\n";
}

// Waits until a non-blocking descriptor can take more; a parent may hand us
// such a pipe, and spinning on EAGAIN would burn a core.
void awaitWritable(int fd) {
    pollfd entry{fd, POLLOUT, 0};
    while (::poll(&entry, 1, -1) < 0 && errno == EINTR) {
    }
}

}  // namespace

EventStream::EventStream(int fd) : fd_(fd), readerGone_([] { std::_Exit(1); }) {}

std::string formatEventLine(std::string_view type, std::optional<std::string_view> data,
                            std::optional<std::string_view> message) {
    std::string line;
    appendEventLine(line, type, data, message);
    return line;
}

void EventStream::emit(std::string_view type, std::optional<std::string_view> data,
                       std::optional<std::string_view> message) {
    // Built outside the lock, in a buffer each thread keeps, so audio lines
    // cost no allocation once the buffer has grown to their size.
    thread_local std::string line;
    line.clear();
    appendEventLine(line, type, data, message);
    std::lock_guard lock(mutex_);
    writeWhole(line);
}

void EventStream::emitAudio(std::span<const std::uint8_t> pcm) {
    constexpr std::string_view head = "{\"type\":\"audio\",\"data\":\"";
    constexpr std::string_view tail = "\"}\n";
    thread_local std::string line;
    const std::size_t textLength = base64EncodedLength(pcm.size());
    line.resize(head.size() + textLength + tail.size());
    line.replace(0, head.size(), head);
    char* const text = line.data() + head.size();
    base64Encode(pcm, text);
    const auto slashes = static_cast<std::size_t>(std::count(text, text + textLength, '/'));
    if (slashes > 0) {
        // Widen in place from the back: every "/" becomes "\/".
        line.resize(line.size() + slashes);
        char* from = line.data() + head.size() + textLength;
        char* to = from + slashes;
        while (from != to) {
            const char c = *--from;
            *--to = c;
            if (c == '/') {
                *--to = '\\';
            }
        }
    }
    line.replace(head.size() + textLength + slashes, tail.size(), tail);
    std::lock_guard lock(mutex_);
    writeWhole(line);
}

void EventStream::writeWhole(const std::string& line) {
    const char* next = line.data();
    std::size_t remaining = line.size();
    while (remaining > 0) {
        const ssize_t written = ::write(fd_, next, remaining);
        if (written >= 0) {
            next += written;
            remaining -= static_cast<std::size_t>(written);
            continue;
        }
        if (errno == EINTR) {
            continue;
        }
        if (errno == EAGAIN || errno == EWOULDBLOCK) {
            awaitWritable(fd_);
            continue;
        }
        // EPIPE (where SIGPIPE is ignored), EBADF, EIO: the stream is gone for good.
        readerGone_();
        return;
    }
}

void EventStream::redirect(int fd) {
    std::lock_guard lock(mutex_);
    fd_ = fd;
}

void EventStream::onReaderGone(std::function<void()> handler) {
    std::lock_guard lock(mutex_);
    readerGone_ = std::move(handler);
}

EventStream& standardOutputEvents() {
    // Never destroyed: capture threads may still write while the process exits.
    static auto* stream = new EventStream(STDOUT_FILENO);
    return *stream;
}

void emit(std::string_view type, std::optional<std::string_view> data,
          std::optional<std::string_view> message) {
    standardOutputEvents().emit(type, data, message);
}

void emitAudio(std::span<const std::uint8_t> pcm) { standardOutputEvents().emitAudio(pcm); }

}  // namespace tallwick
