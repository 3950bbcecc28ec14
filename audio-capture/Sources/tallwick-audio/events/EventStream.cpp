#include "EventStream.h"

#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>
#if defined(__GLIBC__)
#include <malloc.h>
#endif

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <system_error>
#include <utility>

#include "events/Base64.h"
#include "events/JsonText.h"
#include "events/WriteWithoutWaiting.h"

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

// Writes all of it, waiting as long as the reader makes us. False once the
// descriptor can no longer be written: EPIPE (where SIGPIPE is ignored),
// EBADF, EIO.
bool writeWhole(int fd, std::string_view text) {
    while (!text.empty()) {
        const ssize_t written = ::write(fd, text.data(), text.size());
        if (written >= 0) {
            text.remove_prefix(static_cast<std::size_t>(written));
        } else if (errno == EAGAIN || errno == EWOULDBLOCK) {
            awaitWritable(fd);
        } else if (errno != EINTR) {
            return false;
        }
    }
    return true;
}

bool readerMayStall(int fd) {
    struct stat status {};
    return ::fstat(fd, &status) == 0 && (S_ISFIFO(status.st_mode) || S_ISSOCK(status.st_mode));
}

bool isLevelLine(std::string_view line) { return line.starts_with("{\"type\":\"level\""); }

}  // namespace

EventStream::EventStream(int fd, double capSeconds)
    : fd_(fd),
      readerMayStall_(readerMayStall(fd)),
      readerGone_([] { std::_Exit(1); }),
      pending_(static_cast<std::size_t>(std::ceil(capSeconds * audioBytesPerSecond))) {}

EventStream::~EventStream() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    changed_.notify_all();
    if (writer_.joinable()) {
        writer_.join();
    }
}

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
    send(line, 0, isLevelLine(line));
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
    send(line, pcm.size(), true);
}

void EventStream::send(std::string_view line, std::size_t audioBytes, bool droppable) {
    if (gone_) {
        return;
    }
    if (!readerMayStall_) {
        if (!writeWhole(fd_, line)) {
            readerGone();
        }
        return;
    }
    if (idle() && writesWithoutWaiting_) {
        const ssize_t written = writeWithoutWaiting(fd_, line.data(), line.size());
        if (written == static_cast<ssize_t>(line.size())) {
            return;
        }
        if (written > 0) {
            // Begun, so it goes out whole, before anything else.
            unfinished_.assign(line.substr(static_cast<std::size_t>(written)));
            handToWriter();
            return;
        }
        if (written < 0 && errno == ENOTSUP) {
            writesWithoutWaiting_ = false;
        } else if (written < 0 && errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR) {
            readerGone();
            return;
        }
    }
    pending_.push(std::string(line), audioBytes, droppable);
    handToWriter();
}

void EventStream::handToWriter() {
    if (!writer_.joinable()) {
        try {
            writer_ = std::thread([this] { serveSlowReader(); });
        } catch (const std::system_error&) {
            // No thread to be had: the reader's pace it is, then.
            readerMayStall_ = false;
            writeWaitingNow();
            return;
        }
    }
    changed_.notify_all();
}

std::string EventStream::takeWaiting() {
    // What was begun goes out first.
    return unfinished_.empty() ? pending_.takeFront() : std::exchange(unfinished_, {});
}

void EventStream::writeWaitingNow() {
    while (!gone_ && hasWaiting()) {
        const std::string text = takeWaiting();
        if (!writeWhole(fd_, text)) {
            readerGone();
        }
    }
}

void EventStream::serveSlowReader() {
    std::unique_lock lock(mutex_);
    for (;;) {
        changed_.wait(lock, [this] { return stopping_ || hasWaiting(); });
        if (gone_ || !hasWaiting()) {
            return;
        }
        const std::string text = takeWaiting();
        const int fd = fd_;
        writing_ = true;
        lock.unlock();
        const bool written = writeWhole(fd, text);
        lock.lock();
        writing_ = false;
        if (!written) {
            readerGone();
            return;
        }
        if (!idle()) {
            continue;
        }
        // Caught up: say what the cap took, once the reader can see it.
        if (const std::size_t dropped = pending_.takeDropped(); dropped > 0) {
            pending_.push(formatEventLine("log", std::nullopt,
                                          droppedAudioNotice(static_cast<double>(dropped) /
                                                             audioBytesPerSecond)),
                          0, false);
            continue;
        }
        if (pending_.takePeakBytes() > trimAboveBytes) {
            // The lines were made on other threads and freed on this one; the
            // allocator keeps such memory for itself unless asked.
            lock.unlock();
#if defined(__GLIBC__)
            ::malloc_trim(0);
#endif
            lock.lock();
        }
        changed_.notify_all();
    }
}

void EventStream::readerGone() {
    gone_ = true;
    pending_.clear();
    unfinished_.clear();
    changed_.notify_all();
    readerGone_();
}

void EventStream::flush() {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return gone_ || idle(); });
}

void EventStream::redirect(int fd) {
    std::lock_guard lock(mutex_);
    fd_ = fd;
    readerMayStall_ = readerMayStall(fd);
    writesWithoutWaiting_ = true;
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

std::string droppedAudioNotice(double seconds) {
    char text[64];
    std::snprintf(text, sizeof text, "Reader too slow: %.2f s of audio dropped", seconds);
    return text;
}

}  // namespace tallwick
