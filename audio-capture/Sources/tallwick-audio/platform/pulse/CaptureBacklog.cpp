#include "platform/pulse/CaptureBacklog.h"

#include <malloc.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <utility>

namespace tallwick {

CaptureBacklog::CaptureBacklog(std::size_t bytesPerSecond, double capSeconds)
    : bytesPerSecond_(std::max<std::size_t>(bytesPerSecond, 1)),
      capBytes_(static_cast<std::size_t>(std::ceil(capSeconds * static_cast<double>(bytesPerSecond_)))) {}

bool CaptureBacklog::push(std::vector<std::byte>&& audio) {
    return add(Entry(std::in_place_index<0>, std::move(audio)));
}

bool CaptureBacklog::push(std::function<void()> task) {
    return add(Entry(std::in_place_index<1>, std::move(task)));
}

bool CaptureBacklog::add(Entry entry) {
    std::lock_guard lock(mutex_);
    if (const auto* audio = std::get_if<0>(&entry)) {
        audioBytes_ += audio->size();
    }
    entries_.push_back(std::move(entry));
    while (audioBytes_ > capBytes_) {
        dropOldestAudio();
    }
    peakBytes_ = std::max(peakBytes_, audioBytes_);
    return !std::exchange(drainDue_, true);
}

void CaptureBacklog::dropOldestAudio() {
    const auto oldest = std::find_if(entries_.begin(), entries_.end(),
                                     [](const Entry& entry) { return entry.index() == 0; });
    const std::size_t bytes = std::get<0>(*oldest).size();
    audioBytes_ -= bytes;
    droppedBytes_ += bytes;
    entries_.erase(oldest);
}

double CaptureBacklog::drain(const std::function<void(std::vector<std::byte>&&)>& deliver) {
    for (;;) {
        Entry next;
        {
            std::unique_lock lock(mutex_);
            if (entries_.empty()) {
                drainDue_ = false;
                const bool wasLong = std::exchange(peakBytes_, 0) > trimAboveBytes;
                if (wasLong) {
                    // Only then: an ordinary drain empties the backlog after
                    // every piece, and would give back and take again its
                    // blocks each time.
                    entries_.shrink_to_fit();
                }
                const std::size_t dropped = std::exchange(droppedBytes_, 0);
                lock.unlock();
                if (wasLong) {
                    // The pieces were freed one by one, on another thread than
                    // the one that made them; the allocator keeps such memory
                    // for itself unless asked to give it back.
                    ::malloc_trim(0);
                }
                return static_cast<double>(dropped) / static_cast<double>(bytesPerSecond_);
            }
            next = std::move(entries_.front());
            entries_.pop_front();
            if (const auto* audio = std::get_if<0>(&next)) {
                audioBytes_ -= audio->size();
            }
        }
        if (auto* audio = std::get_if<0>(&next)) {
            deliver(std::move(*audio));
        } else {
            std::get<1>(next)();
        }
    }
}

std::string droppedAudioNotice(double seconds) {
    char text[64];
    std::snprintf(text, sizeof text, "Reader too slow: %.2f s of audio dropped", seconds);
    return text;
}

}  // namespace tallwick
