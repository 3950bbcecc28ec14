#include "LevelMeter.h"

#include <cmath>
#include <cstdio>

#include "events/EventStream.h"

namespace tallwick {

LevelMeter::LevelMeter(Clock now) : now_(std::move(now)) {}

void LevelMeter::emitLevel(std::span<const std::uint8_t> chunk) {
    const Instant now = now_();
    if (lastLevelAt_) {
        const double elapsed = std::chrono::duration<double>(now - *lastLevelAt_).count();
        if (!(elapsed > levelInterval)) {
            return;
        }
    }
    // The interval restarts even for a chunk too short to measure.
    lastLevelAt_ = now;
    if (chunk.size() < 2) {
        return;
    }
    emit("level", std::nullopt, formatLevel(levelOf(chunk)));
}

float LevelMeter::levelOf(std::span<const std::uint8_t> chunk) {
    const std::size_t n = chunk.size() / 2;
    if (n == 0) {
        return 0.0f;
    }
    float sum = 0.0f;
    for (std::size_t i = 0; i < n; ++i) {
        const auto sample = static_cast<std::int16_t>(
            static_cast<std::uint16_t>(chunk[2 * i] | chunk[2 * i + 1] << 8));
        const float value = sample;
        const float square = value * value;  // its own statement: never fused into the sum
        sum += square;
    }
    const float rms = std::sqrt(sum / static_cast<float>(n));
    const float level = rms / fullScaleRms;
    return level > 1.0f ? 1.0f : level;
}

std::string LevelMeter::formatLevel(float level) {
    char text[16];
    const int length = std::snprintf(text, sizeof text, "%.4f", static_cast<double>(level));
    return std::string(text, static_cast<std::size_t>(length));
}

void emitLevel(std::span<const std::uint8_t> chunk) {
    // Never destroyed: a capture thread may still deliver a chunk during exit.
    static auto* meter = new LevelMeter;
    meter->emitLevel(chunk);
}

}  // namespace tallwick
