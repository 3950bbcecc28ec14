#pragma once

#include <cmath>
#include <cstddef>
#include <cstdint>

namespace tallwick {

// Full scale of a floating-point sample is 1.0; an int16 sample s stands for
// s / 32768, so int16 input at 16 kHz comes out bit for bit.
inline constexpr float int16FullScale = 32768.0f;

// Rounds to the nearest step (ties to even) and clips to the int16 range. NaN is
// silence and an infinity clips like any other over: capture hands us whatever
// the source produced, and a float-to-integer cast of an out-of-range value is
// undefined behaviour, so no value reaches the cast unchecked.
inline std::int16_t toInt16(float sample) {
    if (std::isnan(sample)) {
        return 0;
    }
    const float scaled = sample * int16FullScale;
    if (scaled >= 32767.0f) {
        return 32767;
    }
    if (scaled <= -32768.0f) {
        return -32768;
    }
    return static_cast<std::int16_t>(std::lrint(scaled));
}

inline void toInt16(const float* samples, std::size_t count, std::int16_t* out) {
    for (std::size_t i = 0; i < count; ++i) {
        out[i] = toInt16(samples[i]);
    }
}

}  // namespace tallwick
