#include "support/Spectrum.h"

#include <cmath>
#include <complex>
#include <numbers>
#include <stdexcept>

namespace tallwick::testing {

namespace {

using Complex = std::complex<double>;

std::vector<double> blackmanHarris(std::size_t n) {
    constexpr double a[] = {0.27105140069342, 0.43329793923448, 0.21812299954311,
                            0.06592544638803, 0.01081174209837, 0.00077658482522,
                            0.00001388721735};
    std::vector<double> w(n);
    const double step = 2 * std::numbers::pi / static_cast<double>(n);
    for (std::size_t i = 0; i < n; ++i) {
        double value = 0;
        for (std::size_t k = 0; k < std::size(a); ++k) {
            const double sign = k % 2 == 0 ? 1 : -1;
            value += sign * a[k] * std::cos(static_cast<double>(k) * step * static_cast<double>(i));
        }
        w[i] = value;
    }
    return w;
}

double sum(const std::vector<double>& values) {
    double total = 0;
    for (double v : values) total += v;
    return total;
}

void fft(std::vector<Complex>& x) {
    const std::size_t n = x.size();
    for (std::size_t i = 1, j = 0; i < n; ++i) {
        std::size_t bit = n >> 1;
        for (; j & bit; bit >>= 1) j ^= bit;
        j ^= bit;
        if (i < j) std::swap(x[i], x[j]);
    }
    for (std::size_t length = 2; length <= n; length <<= 1) {
        const Complex turn = std::polar(1.0, -2 * std::numbers::pi / static_cast<double>(length));
        for (std::size_t start = 0; start < n; start += length) {
            Complex w = 1;
            for (std::size_t k = 0; k < length / 2; ++k, w *= turn) {
                const Complex even = x[start + k];
                const Complex odd = x[start + k + length / 2] * w;
                x[start + k] = even + odd;
                x[start + k + length / 2] = even - odd;
            }
        }
    }
}

std::vector<Complex> windowedSpectrum(const std::vector<double>& samples) {
    const std::size_t n = samples.size();
    if (n == 0 || (n & (n - 1)) != 0) {
        throw std::invalid_argument("spectrum length must be a power of two");
    }
    const auto w = blackmanHarris(n);
    std::vector<Complex> x(n);
    for (std::size_t i = 0; i < n; ++i) x[i] = samples[i] * w[i];
    fft(x);
    return x;
}

}  // namespace

std::vector<double> amplitudeSpectrum(const std::vector<double>& samples) {
    const auto x = windowedSpectrum(samples);
    const double scale = 2 / sum(blackmanHarris(samples.size()));
    std::vector<double> amplitudes(samples.size() / 2 + 1);
    for (std::size_t k = 0; k < amplitudes.size(); ++k) amplitudes[k] = std::abs(x[k]) * scale;
    return amplitudes;
}

double toneAmplitude(const std::vector<double>& samples, double hz, double sampleRate) {
    const auto w = blackmanHarris(samples.size());
    Complex acc = 0;
    const double step = 2 * std::numbers::pi * hz / sampleRate;
    for (std::size_t i = 0; i < samples.size(); ++i) {
        acc += samples[i] * w[i] * std::polar(1.0, -step * static_cast<double>(i));
    }
    return 2 * std::abs(acc) / sum(w);
}

double thdPlusNoiseDb(const std::vector<double>& samples, double hz, double sampleRate) {
    // Normal equations of samples ~ a sin + b cos + c; the constant term only
    // keeps the fit honest, and DC counts as an error below.
    const double step = 2 * std::numbers::pi * hz / sampleRate;
    double m[3][3] = {};
    double v[3] = {};
    for (std::size_t i = 0; i < samples.size(); ++i) {
        const double basis[3] = {std::sin(step * static_cast<double>(i)),
                                 std::cos(step * static_cast<double>(i)), 1.0};
        for (int r = 0; r < 3; ++r) {
            v[r] += basis[r] * samples[i];
            for (int c = 0; c < 3; ++c) m[r][c] += basis[r] * basis[c];
        }
    }
    // Gaussian elimination; the system is well conditioned for a whole segment.
    for (int p = 0; p < 3; ++p) {
        for (int r = p + 1; r < 3; ++r) {
            const double f = m[r][p] / m[p][p];
            for (int c = p; c < 3; ++c) m[r][c] -= f * m[p][c];
            v[r] -= f * v[p];
        }
    }
    double x[3];
    for (int r = 2; r >= 0; --r) {
        double acc = v[r];
        for (int c = r + 1; c < 3; ++c) acc -= m[r][c] * x[c];
        x[r] = acc / m[r][r];
    }
    double residual = 0;
    for (std::size_t i = 0; i < samples.size(); ++i) {
        const double fitted = x[0] * std::sin(step * static_cast<double>(i)) +
                              x[1] * std::cos(step * static_cast<double>(i));
        residual += (samples[i] - fitted) * (samples[i] - fitted);
    }
    const double tonePower = (x[0] * x[0] + x[1] * x[1]) / 2;
    return 10 * std::log10(residual / static_cast<double>(samples.size()) / tonePower);
}

double decibels(double amplitudeRatio) { return 20 * std::log10(amplitudeRatio); }

}  // namespace tallwick::testing
