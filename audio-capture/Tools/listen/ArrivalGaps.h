#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

namespace tallwick::listen {

// Finds stalls in a live stream: an "audio" event that arrived much later
// after the previous one than the audio it carries lasts. A stalled capture
// shows up here even when the sound server later sends a catch-up burst that
// keeps the audio itself seamless.
class ArrivalGaps {
public:
    using Instant = std::chrono::steady_clock::time_point;

    struct Gap {
        std::size_t lineNumber = 0;     // the "audio" line that came late
        std::uint64_t audioFrame = 0;   // where its audio starts
        std::chrono::milliseconds excess{0};  // wait beyond the audio it carries
    };

    static constexpr std::chrono::milliseconds defaultThreshold{250};
    static constexpr std::size_t keptGaps = 8;

    explicit ArrivalGaps(std::chrono::milliseconds threshold = defaultThreshold);

    void add(Instant arrival, std::uint64_t frames, std::size_t lineNumber,
             std::uint64_t audioFrame);

    std::size_t count() const { return count_; }
    std::chrono::milliseconds longest() const { return longest_; }
    const std::vector<Gap>& first() const { return first_; }

private:
    std::chrono::milliseconds threshold_;
    std::optional<Instant> previous_;
    std::size_t count_ = 0;
    std::chrono::milliseconds longest_{0};
    std::vector<Gap> first_;
};

}  // namespace tallwick::listen
