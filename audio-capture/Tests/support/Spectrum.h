#pragma once

#include <cstddef>
#include <vector>

namespace tallwick::testing {

// Measurements of converted audio, amplitudes at full scale 1.0. Spectra are
// windowed with a 7-term Blackman-Harris window: its sidelobes lie below
// -170 dB, so a loud tone leaks nowhere near the -100 dB the tests look for
// (the common 4-term window leaks at -92 dB, which would hide or fake it).

// Amplitude of each FFT bin 0..n/2 of `samples` (length a power of two): the
// amplitude a sinusoid centred on that bin would have.
std::vector<double> amplitudeSpectrum(const std::vector<double>& samples);

// Amplitude of the sinusoid at `hz`, evaluated at exactly that frequency.
double toneAmplitude(const std::vector<double>& samples, double hz, double sampleRate);

// Everything but the tone at `hz` (harmonics, noise, DC), relative to the tone,
// in dB: THD+N. The tone is found by a least-squares sine fit at exactly `hz`
// and subtracted, so no window limits how deep it can measure.
double thdPlusNoiseDb(const std::vector<double>& samples, double hz, double sampleRate);

double decibels(double amplitudeRatio);

}  // namespace tallwick::testing
