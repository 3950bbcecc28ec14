#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <atomic>
#include <csignal>
#include <nlohmann/json.hpp>
#include <string>
#include <thread>
#include <vector>

#include "events/EventStream.h"

namespace tallwick {
namespace {

// Audio-sized lines, far longer than the 4096-byte pipe atomicity limit, on a
// blocking and on a non-blocking pipe.
TEST(ConcurrentLines, LongLinesFromManyThreadsArriveWhole) {
    for (const bool nonBlocking : {false, true}) {
        int fds[2];
        ASSERT_EQ(::pipe(fds), 0);
        if (nonBlocking)
            ::fcntl(fds[1], F_SETFL, ::fcntl(fds[1], F_GETFL) | O_NONBLOCK);
        std::string text;
        std::thread reader([&text, fd = fds[0]] {
            char buffer[1000];  // smaller than a line, so lines arrive in pieces
            for (ssize_t got; (got = ::read(fd, buffer, sizeof buffer)) != 0;) {
                if (got > 0)
                    text.append(buffer, static_cast<std::size_t>(got));
            }
        });
        EventStream stream(fds[1]);
        std::vector<std::thread> writers;
        for (int w = 0; w < 4; ++w) {
            writers.emplace_back([&stream, w] {
                const std::string payload(12000 + 1000 * static_cast<std::size_t>(w),
                                          static_cast<char>('a' + w));
                for (int i = 0; i < 150; ++i)
                    stream.emit("audio", payload, std::to_string(w));
            });
        }
        for (auto& t : writers)
            t.join();
        stream.flush();
        ::close(fds[1]);
        reader.join();
        ::close(fds[0]);
        std::vector<int> seen(4, 0);
        std::size_t start = 0;
        for (std::size_t end; (end = text.find('\n', start)) != std::string::npos;
             start = end + 1) {
            const auto event = nlohmann::json::parse(text.substr(start, end - start));
            const std::string data = event.at("data");
            const int writer = std::stoi(event.at("message").get<std::string>());
            // Each writer's payload is one repeated character: a torn line would mix them.
            ASSERT_EQ(data, std::string(data.size(), static_cast<char>('a' + writer)));
            ++seen.at(static_cast<std::size_t>(writer));
        }
        EXPECT_EQ(start, text.size()) << "the stream ends inside a line";
        EXPECT_EQ(seen, std::vector<int>(4, 150));
    }
}

// Told at once, by the line that found the reader gone, and only once.
TEST(ConcurrentLines, AReaderThatHasGoneEndsTheStream) {
    // The parent may have ignored SIGPIPE for us; then the write itself fails.
    const auto previous = std::signal(SIGPIPE, SIG_IGN);
    int fds[2];
    ASSERT_EQ(::pipe(fds), 0);
    ::close(fds[0]);
    {
        EventStream stream(fds[1]);
        std::atomic<int> calls = 0;
        stream.onReaderGone([&] { ++calls; });
        stream.emit("log", std::nullopt, "anyone there?");
        EXPECT_EQ(calls, 1);
        stream.emit("log", std::nullopt, "still?");
        stream.flush();
        EXPECT_EQ(calls, 1);
    }
    ::close(fds[1]);
    std::signal(SIGPIPE, previous);
}

}  // namespace
}  // namespace tallwick
