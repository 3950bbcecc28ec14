// A server that is not there, and one that turns us away.
#include <gtest/gtest.h>

#include <cstdlib>

#include "Awaiting.h"
#include "SoundServer.h"
#include "platform/pulse/PulsePlatform.h"

namespace tallwick::testing {
namespace {

std::optional<std::string> contentError(PulsePlatform& platform) {
    std::promise<std::optional<std::string>> listed;
    auto listing = listed.get_future();
    platform.screenCapture().getShareableContent(false, true, [&](auto content, auto error) {
        EXPECT_EQ(content == nullptr, error.has_value());
        listed.set_value(error ? std::optional(error->localizedDescription()) : std::nullopt);
    });
    return awaitValue(listing);
}

bool accessGranted(PulsePlatform& platform) {
    std::promise<bool> answered;
    auto answer = answered.get_future();
    platform.microphone().requestAccess([&](bool granted) { answered.set_value(granted); });
    return awaitValue(answer);
}

TEST(UnreachableServerTest, NoServerIsTheRequestsErrorButNoRefusal) {
    ::setenv("PULSE_SERVER", "unix:/nonexistent/tallwick/native", 1);
    PulsePlatform platform;
    EXPECT_EQ(contentError(platform), "Connection refused");
    EXPECT_TRUE(accessGranted(platform));

    auto engine = platform.microphone().makeEngine();
    EXPECT_EQ(engine->inputNode().outputFormatForBus(0).sampleRate(), 0.0);
    std::optional<PlatformError> error;
    EXPECT_FALSE(engine->start(error));
    ASSERT_TRUE(error);
    EXPECT_EQ(error->localizedDescription(), "Connection refused");
}

TEST(UnreachableServerTest, AServerThatTurnsUsAwayDeniesAccess) {
    SoundServer server(SoundServer::Access::refusing);
    server.exportEnvironment(true);
    PulsePlatform platform;
    EXPECT_EQ(contentError(platform), "Access denied");
    EXPECT_FALSE(accessGranted(platform));
}

}  // namespace
}  // namespace tallwick::testing
