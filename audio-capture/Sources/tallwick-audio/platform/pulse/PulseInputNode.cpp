#include "platform/pulse/PulseInputNode.h"

namespace tallwick {

PulseInputNode::PulseInputNode(std::optional<AudioFormat> format) : format_(std::move(format)) {}

AudioFormat PulseInputNode::outputFormatForBus(int bus) {
    if (bus == 0 && format_) {
        return *format_;
    }
    return AudioFormat(CommonFormat::float32, 0.0, 0, true);
}

void PulseInputNode::installTap(int bus, std::uint32_t bufferSize, const AudioFormat& format,
                                TapBlock block) {
    if (bus != 0) {
        return;
    }
    std::lock_guard lock(mutex_);
    tap_ = Tap{format, bufferSize > 0 ? bufferSize : defaultFramesPerBuffer};
    block_ = std::move(block);
}

void PulseInputNode::removeTap(int bus) {
    if (bus != 0) {
        return;
    }
    TapBlock removed;
    {
        std::lock_guard lock(mutex_);
        tap_.reset();
        removed = std::move(block_);
        block_ = nullptr;
    }
    // Released outside the lock: the block may hold what releases us.
}

std::optional<PulseInputNode::Tap> PulseInputNode::tap() const {
    std::lock_guard lock(mutex_);
    return tap_;
}

void PulseInputNode::deliver(const PCMBuffer& buffer) {
    std::lock_guard lock(mutex_);
    // A copy, so that the block may remove itself while it runs.
    const TapBlock block = block_;
    if (block) {
        block(buffer);
    }
}

}  // namespace tallwick
