#include "Tone.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace tallwick::testing {

std::vector<float> sine(double frequency, double seconds, int rate, float amplitude) {
    const auto count = static_cast<std::size_t>(seconds * rate);
    std::vector<float> samples(count);
    for (std::size_t i = 0; i < count; ++i) {
        samples[i] = amplitude * static_cast<float>(std::sin(2 * std::numbers::pi * frequency *
                                                             static_cast<double>(i) / rate));
    }
    return samples;
}

double toneShare(std::span<const float> samples, int rate, double frequency) {
    if (samples.empty()) {
        return 0;
    }
    const double coefficient = 2 * std::cos(2 * std::numbers::pi * frequency / rate);
    double previous = 0;
    double beforePrevious = 0;
    double energy = 0;
    for (float sample : samples) {
        const double current = sample + coefficient * previous - beforePrevious;
        beforePrevious = previous;
        previous = current;
        energy += double{sample} * sample;
    }
    if (energy == 0) {
        return 0;
    }
    const double power = previous * previous + beforePrevious * beforePrevious -
                         coefficient * previous * beforePrevious;
    // A pure tone of N samples and amplitude A has power (A N / 2)^2 and energy A^2 N / 2.
    return power / (energy * static_cast<double>(samples.size()) / 2);
}

double peakToneShare(std::span<const float> samples, int rate, double frequency,
                     std::size_t window) {
    double most = 0;
    for (std::size_t at = 0; at + window <= samples.size(); at += window / 2) {
        const auto part = samples.subspan(at, window);
        if (rms(part) > 0.01) {
            most = std::max(most, toneShare(part, rate, frequency));
        }
    }
    return most;
}

double rms(std::span<const float> samples) {
    if (samples.empty()) {
        return 0;
    }
    double sum = 0;
    for (float sample : samples) {
        sum += double{sample} * sample;
    }
    return std::sqrt(sum / static_cast<double>(samples.size()));
}

std::vector<float> fromPCM16(const std::vector<std::uint8_t>& bytes) {
    std::vector<float> samples(bytes.size() / 2);
    for (std::size_t i = 0; i < samples.size(); ++i) {
        const auto value = static_cast<std::int16_t>(
            static_cast<std::uint16_t>(bytes[2 * i] | (bytes[2 * i + 1] << 8)));
        samples[i] = static_cast<float>(value) / 32768.0f;
    }
    return samples;
}

}  // namespace tallwick::testing
