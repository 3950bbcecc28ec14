#include "convert/SampleRateText.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <limits>

namespace tallwick {
namespace {

// Whole rates end in ".0" (printf's "%g" would give "4.8e+04"), fractions use
// the shortest digits that read back, extremes switch to exponential form.
TEST(SampleRateText, IsTheShortestTextThatReadsBack) {
    const std::pair<double, std::string> cases[] = {
        {48000, "48000.0"},
        {0, "0.0"},
        {1, "1.0"},
        {0.0001, "0.0001"},
        {22050.5, "22050.5"},
        {0.1, "0.1"},  // not 0.10000000000000001
        {44099.999999999993, "44099.99999999999"},
        {-2.5, "-2.5"},
        {9007199254740991.0, "9007199254740991.0"},
        {1e16, "1e+16"},
        {0.00001, "1e-05"},
        {std::numeric_limits<double>::denorm_min(), "5e-324"},
        {std::numeric_limits<double>::infinity(), "inf"},
        {std::nan(""), "nan"},
    };
    for (const auto& [rate, text] : cases) {
        EXPECT_EQ(sampleRateText(rate), text);
    }
    const double third = 48000.0 / 3.000001;
    EXPECT_EQ(std::strtod(sampleRateText(third).c_str(), nullptr), third);
}

}  // namespace
}  // namespace tallwick
