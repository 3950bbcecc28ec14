#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace tallwick::listen {

// Finds runs of exact digital silence (every sample zero) in the captured
// audio, across chunk boundaries. Real sound, even a quiet room, is never
// exactly zero for long; a run of zeros is nothing playing, or a hole the
// capture filled.
class SilenceRuns {
public:
    struct Run {
        std::uint64_t startFrame = 0;
        std::uint64_t frames = 0;
    };

    static constexpr std::uint64_t defaultMinimumFrames = 1600;  // 100 ms at 16 kHz
    static constexpr std::size_t keptRuns = 8;

    explicit SilenceRuns(std::uint64_t minimumFrames = defaultMinimumFrames);

    // 16-bit little-endian samples, in stream order.
    void add(std::span<const std::uint8_t> pcm);
    // Closes a run still open at the end of the audio.
    void finish();

    std::size_t count() const { return count_; }
    std::uint64_t totalFrames() const { return totalFrames_; }
    // The first `keptRuns` runs.
    const std::vector<Run>& first() const { return first_; }

private:
    void closeRun();

    std::uint64_t minimumFrames_;
    std::uint64_t frame_ = 0;
    std::uint64_t runStart_ = 0;
    std::uint64_t runFrames_ = 0;
    std::size_t count_ = 0;
    std::uint64_t totalFrames_ = 0;
    std::vector<Run> first_;
};

}  // namespace tallwick::listen
