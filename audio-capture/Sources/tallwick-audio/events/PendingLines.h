#pragma once

#include <cstddef>
#include <deque>
#include <string>

namespace tallwick {

// Lines the reader of the events has not taken yet, oldest first.
//
// Capture goes on while the reader does not read; without a cap these would
// grow for as long as it stalls. The cap counts the audio waiting, in bytes of
// the samples the lines carry. Beyond it the oldest audio goes, with the level
// lines that came before it (a meter has no use for stale levels); every other
// line stays. What went is counted until takeDropped() is asked.
class PendingLines {
public:
    explicit PendingLines(std::size_t capAudioBytes) : capAudioBytes_(capAudioBytes) {}

    // `audioBytes` is how much audio the line carries; `droppable` lets the
    // cap remove it.
    void push(std::string line, std::size_t audioBytes, bool droppable);

    bool empty() const { return lines_.empty(); }
    // Forgets every line, as if written.
    void clear();
    // The oldest line, out of the queue: it can no longer be dropped.
    std::string takeFront();
    // Audio bytes dropped since the last call.
    std::size_t takeDropped();
    // The most text that waited at once since the last call.
    std::size_t takePeakBytes();

private:
    struct Line {
        std::string text;
        std::size_t audioBytes;
        bool droppable;
    };

    // False when no droppable audio is left.
    bool dropOldestAudio();

    const std::size_t capAudioBytes_;
    std::deque<Line> lines_;
    std::size_t audioBytes_ = 0;
    std::size_t textBytes_ = 0;
    std::size_t peakTextBytes_ = 0;
    std::size_t droppedAudioBytes_ = 0;
};

}  // namespace tallwick
