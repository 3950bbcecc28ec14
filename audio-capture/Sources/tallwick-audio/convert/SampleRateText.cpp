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
        text.assign(digits, 0, integerDigits).append(".");
        if (digits.size() > integerDigits) {
            text.append(digits, integerDigits);
        } else {
            text.append("0");
        }
    } else {
        text.assign("0.").append(static_cast<std::size_t>(-d.exponent - 1), '0').append(d.digits);
    }
    return text;
}

std::string exponential(const ShortestDigits& d) {
    std::string text(1, d.digits.front());
    if (d.digits.size() > 1) {
        text.append(".").append(d.digits, 1);
    }
    return text.append(d.exponentText);
}

}  // namespace

std::string sampleRateText(double hz) {
    if (std::isnan(hz)) {
        return "nan";
    }
    // Appended piece by piece: GCC 12 at -O3 warns falsely (-Wrestrict) about
    // prepending to a temporary string.
    std::string text = std::signbit(hz) ? "-" : "";
    const double magnitude = std::fabs(hz);
    if (std::isinf(magnitude)) {
        return text.append("inf");
    }
    if (magnitude == 0) {
        return text.append("0.0");
    }
    const ShortestDigits digits = shortestDigits(magnitude);
    constexpr double firstExponential = 9007199254740992.0;  // 2^53
    const bool usePositional = magnitude >= 1e-4 && magnitude < firstExponential;
    return text.append(usePositional ? positional(digits) : exponential(digits));
}

}  // namespace tallwick
