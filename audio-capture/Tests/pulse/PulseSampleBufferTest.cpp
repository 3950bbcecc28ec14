#include "platform/pulse/PulseSampleBuffer.h"

#include <gtest/gtest.h>

#include <cstring>

namespace tallwick {
namespace {

std::vector<std::byte> bytesOf(const std::vector<float>& samples) {
    std::vector<std::byte> bytes(samples.size() * sizeof(float));
    std::memcpy(bytes.data(), samples.data(), bytes.size());
    return bytes;
}

TEST(PulseSampleBufferTest, CopiesTheAskedFramesOnly) {
    const PulseSampleBuffer buffer(16000, 2, bytesOf({1, 2, 3, 4, 5, 6}));
    std::vector<float> destination(4, -1);
    AudioBufferList list{{2, 16, destination.data()}};
    ASSERT_EQ(buffer.copyPCMData(1, 2, list), PulseSampleBuffer::copied);
    EXPECT_EQ(destination, (std::vector<float>{3, 4, 5, 6}));
    EXPECT_EQ(buffer.copyPCMData(3, 0, list), PulseSampleBuffer::copied);
}

TEST(PulseSampleBufferTest, RefusesWhatWouldReadOrWriteOutOfBounds) {
    const PulseSampleBuffer buffer(16000, 2, bytesOf({1, 2, 3, 4, 5, 6}));
    std::vector<float> destination(6);
    AudioBufferList list{{2, 24, destination.data()}};
    EXPECT_EQ(buffer.copyPCMData(2, 2, list), PulseSampleBuffer::outOfRange);
    EXPECT_EQ(buffer.copyPCMData(-1, 1, list), PulseSampleBuffer::outOfRange);
    EXPECT_EQ(buffer.copyPCMData(0, -1, list), PulseSampleBuffer::outOfRange);
    EXPECT_EQ(buffer.copyPCMData(0x7fffffff, 0x7fffffff, list), PulseSampleBuffer::outOfRange);

    AudioBufferList small{{2, 23, destination.data()}};
    EXPECT_EQ(buffer.copyPCMData(0, 3, small), PulseSampleBuffer::destinationTooSmall);
    AudioBufferList mono{{1, 24, destination.data()}};
    EXPECT_EQ(buffer.copyPCMData(0, 3, mono), PulseSampleBuffer::layoutMismatch);
    AudioBufferList split{{1, 12, destination.data()}, {1, 12, destination.data() + 3}};
    EXPECT_EQ(buffer.copyPCMData(0, 3, split), PulseSampleBuffer::layoutMismatch);
    AudioBufferList nowhere{{2, 24, nullptr}};
    EXPECT_EQ(buffer.copyPCMData(0, 3, nowhere), PulseSampleBuffer::layoutMismatch);
}

}  // namespace
}  // namespace tallwick
