#include "platform/pulse/FrameReblocker.h"

#include <gtest/gtest.h>

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
        return [this](std::span<const std::byte> block) {
            all.emplace_back(block.begin(), block.end());
        };
    }
};

TEST(FrameReblockerTest, CutsPiecesOfAnySizeIntoWholeBlocksInOrderAndFlushesTheRestOnce) {
    FrameReblocker reblocker(4, 3);  // 12-byte blocks
    Blocks blocks;
    std::size_t sent = 0;
    for (std::size_t piece : {5u, 3u, 30u, 1u, 0u, 12u}) {
        reblocker.append(counting(sent, piece), blocks.handler());
        sent += piece;
    }
    EXPECT_EQ(reblocker.pendingBytes(), sent - 48);
    reblocker.flush(blocks.handler());
    reblocker.flush(blocks.handler());
    ASSERT_EQ(blocks.all.size(), 5u);
    for (std::size_t b = 0; b < blocks.all.size(); ++b) {
        EXPECT_EQ(blocks.all[b], counting(b * 12, b < 4 ? 12 : 3)) << "block " << b;
    }
    EXPECT_EQ(reblocker.pendingBytes(), 0u);
}

}  // namespace
}  // namespace tallwick
