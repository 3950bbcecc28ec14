#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <nlohmann/json.hpp>
#include <string>
#include <thread>
#include <vector>

#include "events/EventStream.h"

namespace tallwick {
namespace {

// Reads everything from a pipe on a thread of its own until every writer is done.
class PipeReader {
public:
    explicit PipeReader(int fd) : fd_(fd), thread_([this] { drain(); }) {}
    std::string finish() {
        thread_.join();
        return text_;
    }

private:
    void drain() {
        char buffer[1000];  // smaller than a line, so lines arrive in pieces
        for (ssize_t got; (got = ::read(fd_, buffer, sizeof buffer)) != 0;) {
            if (got > 0) text_.append(buffer, static_cast<std::size_t>(got));
        }
    }
    int fd_;
    std::string text_;
    std::thread thread_;
};

void expectWholeLines(const std::string& text, int writers, int linesEach) {
    std::vector<int> seen(static_cast<std::size_t>(writers), 0);
    std::size_t start = 0;
    for (std::size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1) {
        const auto event = nlohmann::json::parse(text.substr(start, end - start));
        const std::string data = event.at("data");
        const int writer = event.at("message") == "" ? 0 : std::stoi(event.at("message").get<std::string>());
        // Each writer's payload is one repeated character: a torn line would mix them.
        ASSERT_EQ(data, std::string(data.size(), static_cast<char>('a' + writer)));
        ++seen[static_cast<std::size_t>(writer)];
    }
    EXPECT_EQ(start, text.size()) << "the stream ends inside a line";
    for (int count : seen) EXPECT_EQ(count, linesEach);
}

void writeConcurrently(EventStream& stream, int writers, int linesEach) {
    std::vector<std::thread> threads;
    for (int w = 0; w < writers; ++w) {
        threads.emplace_back([&stream, w, linesEach] {
            const std::string payload(12000 + 1000 * static_cast<std::size_t>(w),
                                      static_cast<char>('a' + w));
            for (int i = 0; i < linesEach; ++i) {
                stream.emit("audio", payload, std::to_string(w));
            }
        });
    }
    for (auto& t : threads) t.join();
}

// Audio-sized lines, far longer than the 4096-byte pipe atomicity limit, on a
// blocking and on a non-blocking pipe.
TEST(ConcurrentLines, LongLinesFromManyThreadsArriveWhole) {
    for (const bool nonBlocking : {false, true}) {
        int fds[2];
        ASSERT_EQ(::pipe(fds), 0);
        if (nonBlocking) ::fcntl(fds[1], F_SETFL, ::fcntl(fds[1], F_GETFL) | O_NONBLOCK);
        PipeReader reader(fds[0]);
        EventStream stream(fds[1]);
        writeConcurrently(stream, 4, 150);
        stream.flush();
        ::close(fds[1]);
        expectWholeLines(reader.finish(), 4, 150);
        ::close(fds[0]);
    }
}

}  // namespace
}  // namespace tallwick
