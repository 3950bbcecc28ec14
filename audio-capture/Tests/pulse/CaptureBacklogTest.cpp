// The backlog between the mainloop thread and the delivering queue.
#include "platform/pulse/CaptureBacklog.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tallwick {
namespace {

std::vector<std::byte> audio(std::size_t bytes, char tag) {
    return std::vector<std::byte>(bytes, static_cast<std::byte>(tag));
}

TEST(CaptureBacklog, DropsTheOldestAudioBeyondTheCapAndKeepsEverythingElseInOrder) {
    // 100 bytes a second, capped at 1 s.
    CaptureBacklog backlog(100, 1.0);
    std::vector<std::string> delivered;
    EXPECT_TRUE(backlog.push(audio(60, 'a')));
    EXPECT_FALSE(backlog.push([&] { delivered.push_back("notice"); }));
    EXPECT_FALSE(backlog.push(audio(60, 'b')));  // 120 bytes: "a" goes
    EXPECT_FALSE(backlog.push(audio(30, 'c')));  // 90 bytes: all kept

    const double dropped = backlog.drain([&](std::vector<std::byte>&& bytes) {
        delivered.push_back(std::string(1, static_cast<char>(bytes.front())) +
                            std::to_string(bytes.size()));
    });
    EXPECT_EQ(delivered, (std::vector<std::string>{"notice", "b60", "c30"}));
    EXPECT_DOUBLE_EQ(dropped, 0.6);

    // Drained: the next push needs a drain again, and the count starts afresh.
    EXPECT_TRUE(backlog.push(audio(10, 'd')));
    EXPECT_DOUBLE_EQ(backlog.drain([](std::vector<std::byte>&&) {}), 0.0);
}

TEST(CaptureBacklog, TheDefaultCapIsAMinuteOfAudio) {
    // 48 kHz stereo float32.
    EXPECT_EQ(CaptureBacklog(384000).capBytes(), 60u * 384000u);
    EXPECT_EQ(droppedAudioNotice(8.64), "Reader too slow: 8.64 s of audio dropped");
}

}  // namespace
}  // namespace tallwick
