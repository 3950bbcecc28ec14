#include "support/CapturedEvents.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>

#include "events/EventStream.h"

namespace tallwick::testing {

CapturedEvents::CapturedEvents() {
    char path[] = "/tmp/tallwick-events-XXXXXX";
    fd_ = ::mkstemp(path);
    if (fd_ < 0)
        std::abort();
    ::unlink(path);
    standardOutputEvents().redirect(fd_);
}

CapturedEvents::~CapturedEvents() {
    standardOutputEvents().redirect(STDOUT_FILENO);
    ::close(fd_);
}

std::string CapturedEvents::bytes() const {
    std::string all;
    char buffer[65536];
    for (ssize_t got;
         (got = ::pread(fd_, buffer, sizeof buffer, static_cast<off_t>(all.size()))) > 0;) {
        all.append(buffer, static_cast<std::size_t>(got));
    }
    return all;
}

std::vector<nlohmann::json> CapturedEvents::events() const {
    const std::string all = bytes();
    std::vector<nlohmann::json> result;
    EXPECT_TRUE(all.empty() || all.back() == '\n') << "output ends inside a line";
    std::size_t start = 0;
    for (std::size_t end; (end = all.find('\n', start)) != std::string::npos; start = end + 1) {
        result.push_back(nlohmann::json::parse(all.substr(start, end - start)));
    }
    return result;
}

}  // namespace tallwick::testing
