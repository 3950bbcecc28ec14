#include "events/PendingLines.h"

#include <algorithm>
#include <utility>

namespace tallwick {

void PendingLines::push(std::string line, std::size_t audioBytes, bool droppable) {
    textBytes_ += line.size();
    audioBytes_ += audioBytes;
    lines_.push_back({std::move(line), audioBytes, droppable});
    while (audioBytes_ > capAudioBytes_ && dropOldestAudio()) {
    }
    peakTextBytes_ = std::max(peakTextBytes_, textBytes_);
}

bool PendingLines::dropOldestAudio() {
    // Droppable lines go oldest first until one that carries audio has gone.
    for (auto line = lines_.begin(); line != lines_.end();) {
        if (!line->droppable) {
            ++line;
            continue;
        }
        const std::size_t audio = line->audioBytes;
        audioBytes_ -= audio;
        droppedAudioBytes_ += audio;
        textBytes_ -= line->text.size();
        line = lines_.erase(line);
        if (audio > 0) {
            return true;
        }
    }
    return false;
}

std::string PendingLines::takeFront() {
    Line front = std::move(lines_.front());
    lines_.pop_front();
    audioBytes_ -= front.audioBytes;
    textBytes_ -= front.text.size();
    return std::move(front.text);
}

void PendingLines::clear() {
    lines_.clear();
    audioBytes_ = 0;
    textBytes_ = 0;
}

std::size_t PendingLines::takeDropped() { return std::exchange(droppedAudioBytes_, 0); }

std::size_t PendingLines::takePeakBytes() { return std::exchange(peakTextBytes_, textBytes_); }

}  // namespace tallwick
