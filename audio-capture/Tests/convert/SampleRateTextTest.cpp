#include "convert/SampleRateText.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <limits>

namespace tallwick {
namespace {

TEST(SampleRateText, WholeRatesEndInPointZero) {
    // printf's "%g" would give "4.8e+04" and "4.41e+04" here.
    EXPECT_EQ(sampleRateText(48000), "48000.0");
    EXPECT_EQ(sampleRateText(44100), "44100.0");
    EXPECT_EQ(sampleRateText(16000), "16000.0");
    EXPECT_EQ(sampleRateText(8000), "8000.0");
    EXPECT_EQ(sampleRateText(384000), "384000.0");
    EXPECT_EQ(sampleRateText(1), "1.0");
    EXPECT_EQ(sampleRateText(0), "0.0");
}

TEST(SampleRateText, FractionsUseTheShortestDigitsThatReadBack) {
    EXPECT_EQ(sampleRateText(22050.5), "22050.5");
    EXPECT_EQ(sampleRateText(0.1), "0.1");  // not 0.10000000000000001
    EXPECT_EQ(sampleRateText(44099.999999999993), "44099.99999999999");
    EXPECT_EQ(sampleRateText(0.00025), "0.00025");
    EXPECT_EQ(sampleRateText(-2.5), "-2.5");
    const double third = 48000.0 / 3.000001;
    EXPECT_EQ(std::strtod(sampleRateText(third).c_str(), nullptr), third);
}

TEST(SampleRateText, ExtremesSwitchToExponentialForm) {
    EXPECT_EQ(sampleRateText(9007199254740991.0), "9007199254740991.0");
    EXPECT_EQ(sampleRateText(1e16), "1e+16");
    EXPECT_EQ(sampleRateText(1.5e300), "1.5e+300");
    EXPECT_EQ(sampleRateText(0.00001), "1e-05");
    EXPECT_EQ(sampleRateText(std::numeric_limits<double>::denorm_min()), "5e-324");
    EXPECT_EQ(sampleRateText(std::numeric_limits<double>::infinity()), "inf");
    EXPECT_EQ(sampleRateText(-std::numeric_limits<double>::infinity()), "-inf");
    EXPECT_EQ(sampleRateText(std::nan("")), "nan");
}

}  // namespace
}  // namespace tallwick
