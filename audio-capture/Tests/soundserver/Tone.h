#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace tallwick::testing {

// A sine of `frequency` Hz, `seconds` long, at `rate`, with peak `amplitude`.
std::vector<float> sine(double frequency, double seconds, int rate, float amplitude = 0.5f);

// The share of the signal's energy that lies at `frequency` (Goertzel), from 0
// to about 1: a pure tone at that frequency gives close to 1, silence 0.
double toneShare(std::span<const float> samples, int rate, double frequency);

// The largest toneShare of `frequency` in any stretch of `window` samples
// (stepping by half a window) that holds more than a whisper; 0 when none does.
double peakToneShare(std::span<const float> samples, int rate, double frequency,
                     std::size_t window);

// Root mean square, in the samples' own units.
double rms(std::span<const float> samples);

// Signed 16-bit little-endian PCM as floats in [-1, 1).
std::vector<float> fromPCM16(const std::vector<std::uint8_t>& bytes);

}  // namespace tallwick::testing
