#include "platform/pulse/FrameReblocker.h"

#include <gtest/gtest.h>

#include <numeric>

namespace tallwick {
namespace {

std::vector<std::byte> counting(std::size_t from, std::size_t count) {
    std::vector<std::byte> bytes(count);
    for (std::size_t i = 0; i < count; ++i) {
        bytes[i] = static_cast<std::byte>((from + i) & 0xff);
    }
    return bytes;
}

struct Blocks {
    std::vector<std::vector<std::byte>> all;
    FrameReblocker::BlockHandler handler() {
        return [this](std::span<const std::byte> block) { all.emplace_back(block.begin(), block.end()); };
    }
};

TEST(FrameReblockerTest, CutsPiecesOfAnySizeIntoWholeBlocksInOrder) {
    FrameReblocker reblocker(4, 3);  // 12-byte blocks
    Blocks blocks;
    std::size_t sent = 0;
    for (std::size_t piece : {5u, 3u, 30u, 1u, 0u, 9u}) {
        reblocker.append(counting(sent, piece), blocks.handler());
        sent += piece;
    }
    ASSERT_EQ(blocks.all.size(), 4u);
    for (std::size_t b = 0; b < blocks.all.size(); ++b) {
        EXPECT_EQ(blocks.all[b], counting(b * 12, 12)) << "block " << b;
    }
    EXPECT_EQ(reblocker.pendingBytes(), 48u - 48u + (sent - 48u));
}

TEST(FrameReblockerTest, FlushHandsOverTheRestOnce) {
    FrameReblocker reblocker(2, 4);
    Blocks blocks;
    reblocker.append(counting(0, 11), blocks.handler());
    reblocker.flush(blocks.handler());
    reblocker.flush(blocks.handler());
    ASSERT_EQ(blocks.all.size(), 2u);
    EXPECT_EQ(blocks.all[0], counting(0, 8));
    EXPECT_EQ(blocks.all[1], counting(8, 3));
    EXPECT_EQ(reblocker.pendingBytes(), 0u);
}

}  // namespace
}  // namespace tallwick
