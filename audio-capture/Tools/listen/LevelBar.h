#pragma once

#include <chrono>
#include <cstddef>
#include <functional>
#include <string>

#include "StreamInspection.h"

namespace tallwick::listen {

// `width` cells of a horizontal bar filled to `level` (0 to 1) in eighths.
std::string renderLevelBar(double level, std::size_t width);

// One status line: audio so far, the bar, the last level, counts by type.
std::string renderStatusLine(const StreamTally& tally, std::size_t barWidth);

// The live view while a capture runs: the tool's messages and invalid lines as
// they come, under them a level bar with running counts, redrawn at most ten
// times a second. It writes to the terminal (/dev/tty) only, never to standard
// output, which may be a file or a pipe; with no terminal it shows nothing. A
// terminal that cannot keep up loses frames instead of holding up the capture.
class LevelBar {
public:
    using Clock = std::function<std::chrono::steady_clock::time_point()>;

    explicit LevelBar(bool enabled,
                      Clock now = [] { return std::chrono::steady_clock::now(); });
    ~LevelBar();
    LevelBar(const LevelBar&) = delete;
    LevelBar& operator=(const LevelBar&) = delete;

    void show(const LineOutcome& outcome, const StreamTally& tally);
    // Takes the bar off the screen, before the summary is printed.
    void finish();

private:
    void write(const std::string& text);
    void printAboveBar(const std::string& text);
    std::size_t columns() const;

    int fd_ = -1;
    Clock now_;
    std::chrono::steady_clock::time_point lastDraw_{};
    bool barShown_ = false;
    std::size_t invalidShown_ = 0;
};

}  // namespace tallwick::listen
