#include "support/Spectrum.h"

#include <cmath>
#include <numbers>

namespace tallwick::testing {

FittedTone fitTone(const std::vector<double>& samples, double hz, double sampleRate) {
    // Normal equations of samples ~ a sin + b cos, solved by Cramer's rule.
    const double step = 2 * std::numbers::pi * hz / sampleRate;
    double ss = 0, sc = 0, cc = 0, vs = 0, vc = 0;
    for (std::size_t i = 0; i < samples.size(); ++i) {
        const double s = std::sin(step * static_cast<double>(i));
        const double c = std::cos(step * static_cast<double>(i));
        ss += s * s;
        sc += s * c;
        cc += c * c;
        vs += s * samples[i];
        vc += c * samples[i];
    }
    const double det = ss * cc - sc * sc;
    const double a = (vs * cc - vc * sc) / det;
    const double b = (vc * ss - vs * sc) / det;
    double residual = 0;
    for (std::size_t i = 0; i < samples.size(); ++i) {
        const double e = samples[i] - a * std::sin(step * static_cast<double>(i)) -
                         b * std::cos(step * static_cast<double>(i));
        residual += e * e;
    }
    const double tonePower = (a * a + b * b) / 2;
    return {std::sqrt(a * a + b * b),
            10 * std::log10(residual / static_cast<double>(samples.size()) / tonePower)};
}

}  // namespace tallwick::testing
