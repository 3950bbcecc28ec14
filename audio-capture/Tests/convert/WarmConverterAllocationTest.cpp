// A warmed-up converter runs on the capture callback without touching the heap.
// Counted through the global operator new, which every container uses (the
// resampler's own buffers, from malloc, are the platform library's business).
#include <gtest/gtest.h>

#include "ConvertTestSupport.h"
#include "convert/ChunkCapacity.h"
#include "convert/OneShotInput.h"
#include "support/AllocationCounter.h"

namespace tallwick {
namespace {

TEST(WarmConverter, AllocatesNothingPerBuffer) {
    const long beforeProbe = testing::allocationsSoFar();
    auto probe = std::make_unique<int>(1);
    ASSERT_GT(testing::allocationsSoFar(), beforeProbe) << "the counter does not count";

    for (const double rate : {48000.0, 44100.0, 16000.0, 8000.0}) {
        const AudioFormat format(CommonFormat::float32, rate, 2, true);
        auto converter = AudioConverter::make(format, AudioFormat::outputPCM());
        const auto input =
            testing::pcmBufferOf(format, std::vector(2, testing::tone(440, 0.5, rate, 4096)));
        // Room for what each buffer owes, as capture sizes it; a smaller one
        // would let the queue of waiting samples grow without end.
        const auto output =
            PCMBuffer::make(AudioFormat::outputPCM(), *chunkFrameCapacity(4096, rate));
        std::optional<PlatformError> error;
        for (int i = 0; i < 20; ++i)
            converter->convert(*output, error, oneShotInput(*input));

        const long before = testing::allocationsSoFar();
        std::uint64_t produced = 0;
        for (int i = 0; i < 200; ++i) {
            converter->convert(*output, error, oneShotInput(*input));
            produced += output->frameLength();
        }
        EXPECT_EQ(testing::allocationsSoFar() - before, 0) << rate << " Hz";
        EXPECT_FALSE(error.has_value());
        EXPECT_GT(produced, 0u);
    }
}

}  // namespace
}  // namespace tallwick
