#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>

namespace tallwick {

// Turns Output PCM chunks into "level" events, at most one per 70 ms. The
// throttle runs on a monotonic clock: with the wall clock, a clock set back by
// an hour would freeze the meter for that hour.
class LevelMeter {
public:
    using Instant = std::chrono::steady_clock::time_point;
    using Clock = std::function<Instant()>;

    static constexpr double levelInterval = 0.07;  // seconds
    static constexpr float fullScaleRms = 6000.0f;

    explicit LevelMeter(Clock now = [] { return std::chrono::steady_clock::now(); });

    // Emits a "level" event for `chunk` unless one went out within the interval.
    // Callers deliver chunks one at a time (one capture source per process).
    void emitLevel(std::span<const std::uint8_t> chunk);

    // RMS of the little-endian 16-bit samples, over 6000, capped at 1; a
    // trailing odd byte is ignored. Sums in single precision, in sample order,
    // so the value is the same on every platform.
    static float levelOf(std::span<const std::uint8_t> chunk);
    static std::string formatLevel(float level);

private:
    Clock now_;
    std::optional<Instant> lastLevelAt_;
};

// The process-wide meter both capture sources feed.
void emitLevel(std::span<const std::uint8_t> chunk);

}  // namespace tallwick
