#include "platform/pulse/FrameReblocker.h"

#include <algorithm>

namespace tallwick {

FrameReblocker::FrameReblocker(std::size_t bytesPerFrame, std::uint32_t framesPerBlock)
    : blockBytes_(std::max<std::size_t>(1, bytesPerFrame * framesPerBlock)) {
    pending_.reserve(blockBytes_);
}

void FrameReblocker::append(std::span<const std::byte> bytes, const BlockHandler& full) {
    if (!pending_.empty()) {
        const std::size_t taken = std::min(bytes.size(), blockBytes_ - pending_.size());
        pending_.insert(pending_.end(), bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(taken));
        bytes = bytes.subspan(taken);
        if (pending_.size() < blockBytes_) {
            return;
        }
        full(pending_);
        pending_.clear();
    }
    // Whole blocks straight from the input, without a copy.
    while (bytes.size() >= blockBytes_) {
        full(bytes.first(blockBytes_));
        bytes = bytes.subspan(blockBytes_);
    }
    pending_.assign(bytes.begin(), bytes.end());
}

void FrameReblocker::flush(const BlockHandler& partial) {
    if (!pending_.empty()) {
        partial(pending_);
        pending_.clear();
    }
}

}  // namespace tallwick
