#include "convert/SampleRateText.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string_view>

namespace tallwick {

namespace {

// std::to_chars(double) is missing from the macOS 13 C++ library, so the
// shortest round-tripping digits come from printf and strtod instead (the tool
// never sets a locale, so both use '.'). "%e" rather than "%g", because "%g"
// turns 48000 into "4.8e+04".
struct ShortestDigits {
    std::string digits;  // no leading zeros, at least one digit
    int exponent = 0;    // value = d.ddd x 10^exponent
    std::string exponentText;  // as printf writes it: "e+16", "e-05"
};

ShortestDigits shortestDigits(double magnitude) {
    char text[40];
    for (int precision = 0; precision <= 16; ++precision) {
        std::snprintf(text, sizeof text, "%.*e", precision, magnitude);
        if (std::strtod(text, nullptr) == magnitude) {
            break;
        }
    }
    const std::string_view scientific(text);
    const auto e = scientific.find('e');
    ShortestDigits result;
    for (const char c : scientific.substr(0, e)) {
        if (c != '.') {
            result.digits.push_back(c);
        }
    }
    while (result.digits.size() > 1 && result.digits.back() == '0') {
        result.digits.pop_back();
    }
    result.exponent = std::atoi(scientific.data() + e + 1);
    result.exponentText = std::string(scientific.substr(e));
    return result;
}

std::string positional(const ShortestDigits& d) {
    std::string text;
    if (d.exponent >= 0) {
        const auto integerDigits = static_cast<std::size_t>(d.exponent) + 1;
        std::string digits = d.digits;
        if (digits.size() < integerDigits) {
            digits.append(integerDigits - digits.size(), '0');
        }
        text = digits.substr(0, integerDigits) + ".";
        const std::string fraction = digits.substr(integerDigits);
        text += fraction.empty() ? "0" : fraction;
    } else {
        text = "0." + std::string(static_cast<std::size_t>(-d.exponent - 1), '0') + d.digits;
    }
    return text;
}

std::string exponential(const ShortestDigits& d) {
    std::string text = d.digits.substr(0, 1);
    if (d.digits.size() > 1) {
        text += "." + d.digits.substr(1);
    }
    return text + d.exponentText;
}

}  // namespace

std::string sampleRateText(double hz) {
    if (std::isnan(hz)) {
        return "nan";
    }
    const std::string sign = std::signbit(hz) ? "-" : "";
    const double magnitude = std::fabs(hz);
    if (std::isinf(magnitude)) {
        return sign + "inf";
    }
    if (magnitude == 0) {
        return sign + "0.0";
    }
    const ShortestDigits digits = shortestDigits(magnitude);
    constexpr double firstExponential = 9007199254740992.0;  // 2^53
    const bool usePositional = magnitude >= 1e-4 && magnitude < firstExponential;
    return sign + (usePositional ? positional(digits) : exponential(digits));
}

}  // namespace tallwick
