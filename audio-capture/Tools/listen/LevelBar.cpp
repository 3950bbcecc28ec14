#include "LevelBar.h"

#include <fcntl.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>

#include "LineQuote.h"

namespace tallwick::listen {

namespace {

constexpr auto redrawInterval = std::chrono::milliseconds(100);
constexpr std::size_t invalidShownLive = 20;
constexpr std::size_t barWidth = 30;

}  // namespace

std::string renderLevelBar(double level, std::size_t width) {
    static const char* const partial[] = {"", "▏", "▎", "▍", "▌", "▋", "▊", "▉"};
    const auto eighths = static_cast<std::size_t>(
        std::lround(std::clamp(level, 0.0, 1.0) * static_cast<double>(width * 8)));
    std::string bar;
    const std::size_t full = eighths / 8;
    for (std::size_t i = 0; i < full; ++i) {
        bar += "█";
    }
    std::size_t cells = full;
    if (eighths % 8 != 0) {
        bar += partial[eighths % 8];
        ++cells;
    }
    bar.append(width - cells, ' ');
    return bar;
}

std::string renderStatusLine(const StreamTally& tally, std::size_t width) {
    char head[64];
    std::snprintf(head, sizeof head, "%8.1f s |", static_cast<double>(tally.frames) / 16000.0);
    char level[16];
    std::snprintf(level, sizeof level, "| %.4f ", tally.lastLevel);
    std::string line = head + renderLevelBar(tally.lastLevel, width) + level;
    for (EventType type : allEventTypes) {
        line.append(" ").append(nameOf(type)).append(" ").append(std::to_string(tally.count(type)));
    }
    line.append("  invalid ").append(std::to_string(tally.invalidLines));
    return line;
}

LevelBar::LevelBar(bool enabled, Clock now) : now_(std::move(now)) {
    if (enabled) {
        fd_ = ::open("/dev/tty", O_WRONLY | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    }
}

LevelBar::~LevelBar() {
    finish();
    if (fd_ >= 0) {
        ::close(fd_);
    }
}

void LevelBar::write(const std::string& text) {
    const char* next = text.data();
    std::size_t remaining = text.size();
    while (remaining > 0) {
        const ssize_t written = ::write(fd_, next, remaining);
        if (written < 0 && errno == EINTR) {
            continue;
        }
        if (written <= 0) {
            return;  // a stalled or vanished terminal: drop the frame
        }
        next += written;
        remaining -= static_cast<std::size_t>(written);
    }
}

std::size_t LevelBar::columns() const {
    winsize size{};
    if (::ioctl(fd_, TIOCGWINSZ, &size) == 0 && size.ws_col > 0) {
        return size.ws_col;
    }
    return 80;
}

void LevelBar::printAboveBar(const std::string& text) {
    // Clear the bar's line, print the text, and let the next draw put the bar back.
    write("\r\x1b[K" + text + "\n");
    barShown_ = false;
    lastDraw_ = {};
}

void LevelBar::show(const LineOutcome& outcome, const StreamTally& tally) {
    if (fd_ < 0) {
        return;
    }
    if (!outcome.event) {
        if (invalidShown_ < invalidShownLive) {
            printAboveBar("line " + std::to_string(outcome.lineNumber) +
                          " INVALID: " + printable(outcome.problem, 160));
        } else if (invalidShown_ == invalidShownLive) {
            printAboveBar("(more invalid lines: see the summary)");
        }
        ++invalidShown_;
    } else if (outcome.event->type != EventType::audio &&
               outcome.event->type != EventType::level) {
        printAboveBar("line " + std::to_string(outcome.lineNumber) + " " +
                      std::string(nameOf(outcome.event->type)) + ": " +
                      printable(outcome.event->message, 160));
    }
    const auto now = now_();
    if (barShown_ && now - lastDraw_ < redrawInterval) {
        return;
    }
    lastDraw_ = now;
    std::string status = renderStatusLine(tally, barWidth);
    // Cut to the terminal's width, whole characters only, so the line never
    // wraps and "\r" still returns to its start.
    const std::size_t fits = columns() - 1;
    std::size_t characters = 0;
    for (std::size_t i = 0; i < status.size(); ++i) {
        if ((static_cast<unsigned char>(status[i]) & 0xC0) != 0x80 && ++characters > fits) {
            status.resize(i);
            break;
        }
    }
    write("\r\x1b[K" + status);
    barShown_ = true;
}

void LevelBar::finish() {
    if (fd_ >= 0 && barShown_) {
        write("\r\x1b[K");
        barShown_ = false;
    }
}

}  // namespace tallwick::listen
