// tallwick_audio when capture cannot even begin: one "error" line, status 1.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <stdexcept>
#include <tuple>

#include "EventChecks.h"
#include "SoundServer.h"

namespace tallwick::testing {
namespace {

const std::vector<std::string> system{"--source", "system"};
const std::vector<std::string> microphone{};

// A TCP port that accepts connections and never says a word: the kernel
// completes the handshake for a listening socket that nobody accepts on.
class SilentListener {
  public:
    SilentListener() : fd_(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0)) {
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        if (fd_ < 0 || ::bind(fd_, reinterpret_cast<sockaddr*>(&address), length) != 0 ||
            ::listen(fd_, 8) != 0 ||
            ::getsockname(fd_, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
            throw std::runtime_error("cannot listen on the loopback interface");
        }
        port_ = ntohs(address.sin_port);
    }
    ~SilentListener() { ::close(fd_); }
    int port() const { return port_; }

  private:
    int fd_;
    int port_ = 0;
};

struct UnreachableServer {
    std::string name;
    std::string pulseServer;
    std::string message;
};

void PrintTo(const UnreachableServer& server, std::ostream* out) {
    *out << server.name;
}

// Both sources make one attempt to connect, and fail with the server's own
// words.
class SetupFailureOnAnUnreachableServer
    : public ::testing::TestWithParam<std::tuple<UnreachableServer, bool>> {};

TEST_P(SetupFailureOnAnUnreachableServer, EndsWithTheServersErrorWithinTenSeconds) {
    static SilentListener silent;
    auto [server, isSystem] = GetParam();
    if (server.pulseServer == "silent") {
        server.pulseServer = "tcp:127.0.0.1:" + std::to_string(silent.port());
    }
    expectSetupFailure(isSystem ? system : microphone, {"PULSE_SERVER=" + server.pulseServer},
                       server.message);
}

INSTANTIATE_TEST_SUITE_P(
    EachSource, SetupFailureOnAnUnreachableServer,
    ::testing::Combine(
        ::testing::Values(UnreachableServer{"RefusedSocket", "unix:/nonexistent/tallwick/native",
                                            "Connection refused"},
                          UnreachableServer{"SilentListener", "silent", "Timeout"},
                          UnreachableServer{"EmptyServerName", "", "Invalid server"}),
        ::testing::Bool()),
    [](const auto& info) {
        return std::get<0>(info.param).name + (std::get<1>(info.param) ? "System" : "Microphone");
    });

// A server that answers but has nothing to capture.
TEST(SetupFailureEndToEndTest, NothingToCapture) {
    SoundServer server;
    // What is left is a monitor: what the machine plays, not what a microphone hears.
    server.pactl({"unload-module", "module-remap-source"});
    expectSetupFailure(microphone, server.environment(), "Could not initialize audio converter.");

    for (const auto* sink : {"tallwick_latency_sink", "tallwick_mic_feed", "tallwick_speakers"}) {
        server.unloadSink(sink);
    }
    expectSetupFailure(system, server.environment(), "No display available for audio capture.");
}

TEST(SetupFailureEndToEndTest, AServerThatTurnsUsAway) {
    SoundServer server(SoundServer::Access::refusing);
    if (server.kind() == SoundServer::Kind::pipewire) {
        // PipeWire's pulse server checks no cookie. The most its address can
        // withhold is write access, which recording does not need: both
        // sources capture.
        for (const auto& source : {system, microphone}) {
            ToolRun run(source, server.refusedEnvironment());
            EXPECT_TRUE(run.readUntil(
                [](const auto& events) {
                    return hasEvent(events, "ready") && hasEvent(events, "audio");
                },
                5s));
            EXPECT_FALSE(hasEvent(run.events(), "error"));
        }
        return;
    }
    expectSetupFailure(system, server.refusedEnvironment(), "Access denied");
    expectSetupFailure(
        microphone, server.refusedEnvironment(),
        "Microphone access denied. Enable it in System Settings \u2192 Privacy \u2192 "
        "Microphone.");
}

}  // namespace
}  // namespace tallwick::testing
