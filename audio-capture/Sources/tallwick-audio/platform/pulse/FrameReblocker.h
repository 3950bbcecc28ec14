#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>
#include <vector>

namespace tallwick {

// Cuts a stream of interleaved frames, arriving in pieces of any size, into
// blocks of a fixed number of frames.
class FrameReblocker {
public:
    using BlockHandler = std::function<void(std::span<const std::byte> block)>;

    FrameReblocker(std::size_t bytesPerFrame, std::uint32_t framesPerBlock);

    // Hands each block that `bytes` completes to `full`, in order, and keeps
    // the rest for the next call.
    void append(std::span<const std::byte> bytes, const BlockHandler& full);

    // Hands over what is left, a block shorter than the rest, if anything is.
    void flush(const BlockHandler& partial);

    std::size_t blockBytes() const { return blockBytes_; }
    std::size_t pendingBytes() const { return pending_.size(); }

private:
    std::size_t blockBytes_;
    std::vector<std::byte> pending_;
};

}  // namespace tallwick
