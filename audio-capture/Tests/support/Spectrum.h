#pragma once

#include <vector>

namespace tallwick::testing {

// The sinusoid at exactly `hz` in `samples`, found by a least-squares fit (no
// window limits how deep it can measure), amplitudes at full scale 1.0.
struct FittedTone {
    double amplitude;
    // Everything else (harmonics, noise, DC) relative to the tone, in dB: THD+N.
    double restDb;
};
FittedTone fitTone(const std::vector<double>& samples, double hz, double sampleRate);

}  // namespace tallwick::testing
