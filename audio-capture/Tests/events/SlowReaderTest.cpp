// A reader that stops reading: emitting goes on without waiting for it, and
// what a capped wait drops is exactly what the stream reports.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <memory>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "events/Base64.h"
#include "events/EventStream.h"
#include "events/PendingLines.h"

namespace tallwick {
namespace {

TEST(PendingLines, DropsTheOldestAudioWithTheLevelsBeforeItAndKeepsEverythingElse) {
    PendingLines lines(100);
    lines.push("level 1", 0, true);
    lines.push("audio a", 60, true);
    lines.push("log", 0, false);
    lines.push("level 2", 0, true);
    lines.push("audio b", 60, true);  // 120 bytes waiting: "level 1" and "audio a" go
    lines.push("audio c", 30, true);  // 90: all stay
    std::vector<std::string> left;
    while (!lines.empty())
        left.push_back(lines.takeFront());
    EXPECT_EQ(left, (std::vector<std::string>{"log", "level 2", "audio b", "audio c"}));
    EXPECT_EQ(lines.takeDropped(), 60u);
    EXPECT_EQ(lines.takeDropped(), 0u);
    EXPECT_EQ(droppedAudioNotice(8.64), "Reader too slow: 8.64 s of audio dropped");
}

// Emits 40 chunks of 20 ms, each one's samples saying which chunk it is, with
// a log line among them, without reading; then reads up to the drop notice.
// Returns the chunks that arrived.
std::vector<int> stallAndCatchUp(EventStream& stream, FILE* reader) {
    constexpr int chunks = 40;
    std::vector<std::string> chunkTexts;
    for (int i = 0; i < chunks; ++i) {
        const std::vector<std::uint8_t> pcm(640, static_cast<std::uint8_t>(i));
        chunkTexts.push_back(base64Encode(pcm));
        stream.emitAudio(pcm);
        if (i == 20)
            stream.emit("log", std::nullopt, "kept");
    }
    std::vector<int> received;
    bool sawLog = false;
    double dropped = -1;
    char line[4096];
    while (dropped < 0 && std::fgets(line, sizeof line, reader)) {
        const auto event = nlohmann::json::parse(line);
        if (event["type"] == "audio") {
            const auto chunk = std::find(chunkTexts.begin(), chunkTexts.end(), event["data"]);
            EXPECT_NE(chunk, chunkTexts.end());
            received.push_back(static_cast<int>(chunk - chunkTexts.begin()));
        } else if (event["message"] == "kept") {
            sawLog = true;
        } else {
            EXPECT_EQ(std::sscanf(event["message"].get<std::string>().c_str(),
                                  "Reader too slow: %lf s of audio dropped", &dropped),
                      1);
        }
    }
    EXPECT_TRUE(sawLog);
    EXPECT_NEAR(dropped, (chunks - static_cast<double>(received.size())) * 0.02, 1e-9)
        << "every missing chunk counted";
    return received;
}

TEST(SlowReader, EmittingNeverWaitsAndOnlyTheReportedAudioIsLost) {
    const auto previous = std::signal(SIGPIPE, SIG_IGN);
    int fds[2];
    ASSERT_EQ(::pipe(fds), 0);
    ASSERT_GT(::fcntl(fds[1], F_SETPIPE_SZ, 4096), 0);
    {
        // Five chunks of 20 ms may wait.
        EventStream stream(fds[1], 0.1);
        stream.onReaderGone([] {});
        // Closed first, whatever way the test leaves: the stream's writer then
        // stops waiting for it.
        const auto close = [](FILE* file) { ::fclose(file); };
        const std::unique_ptr<FILE, decltype(close)> reader(::fdopen(fds[0], "r"), close);
        ASSERT_NE(reader, nullptr);
        // Twice: the second stall needs the writer as much as the first.
        for (int stall = 0; stall < 2; ++stall) {
            const auto received = stallAndCatchUp(stream, reader.get());
            // In order, and the newest five among them. (More arrive when the
            // writer is idle as the stall begins; a busy one leaves all to the queue.)
            ASSERT_GE(received.size(), 5u);
            EXPECT_TRUE(std::is_sorted(received.begin(), received.end()));
            EXPECT_EQ(std::vector<int>(received.end() - 5, received.end()),
                      (std::vector<int>{35, 36, 37, 38, 39}));
        }
    }
    ::close(fds[1]);
    std::signal(SIGPIPE, previous);
}

}  // namespace
}  // namespace tallwick
