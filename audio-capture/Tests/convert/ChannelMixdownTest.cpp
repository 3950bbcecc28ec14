#include "convert/ChannelMixdown.h"

#include <gtest/gtest.h>

#include <cmath>

#include "ConvertTestSupport.h"

namespace tallwick {
namespace {

using testing::pcmBufferOf;

TEST(ChannelMixdown, AveragesTheChannelsOfEverySampleTypeAtFullScaleOne) {
    // Float NaN is silence and float overs stop at 16 (integers cannot hold either).
    const double nan = std::nan("");
    const std::vector<std::vector<double>> channels = {
        {0.5, 1.0, -1.0, nan}, {0.25, 1.0, -1.0, -1e300}, {0.0, 1.0, -1.0, 0.0}, {-0.75, 1.0, 0.0, 0.0}};
    for (const auto common : {CommonFormat::int16, CommonFormat::int32, CommonFormat::float32,
                              CommonFormat::float64}) {
        for (const bool interleaved : {true, false}) {
            const auto input = pcmBufferOf(AudioFormat(common, 8000, 4, interleaved), channels);
            float mono[4];
            ASSERT_TRUE(mixDownToMono(*input, mono));
            const bool isFloat = common == CommonFormat::float32 || common == CommonFormat::float64;
            // int16 cannot hold +1.0: it clips to 32767 / 32768.
            const float one = common == CommonFormat::int16 ? 32767 / 32768.0f : 1.0f;
            const float expected[] = {0.0f, one, -0.75f, isFloat ? -4.0f : -0.25f};
            for (int i = 0; i < 4; ++i) {
                EXPECT_EQ(mono[i], expected[i]) << static_cast<int>(common) << " " << interleaved;
            }
        }
    }
}

}  // namespace
}  // namespace tallwick
