// tallwick_audio where the sound server's client library finds its setup
// broken: whatever it complains about must not reach standard error, and the
// event stream stays what the host expects.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <tuple>

#include "EventChecks.h"
#include "SoundServer.h"

namespace tallwick::testing {
namespace {

const std::string malformedConfiguration = "autospawn = no\nthis line is not a setting\n";

// A client environment for `server`, changed the way `name` says; `folder`
// holds whatever files that needs.
std::vector<std::string> brokenEnvironment(const std::string& name, const SoundServer& server,
                                           const std::string& folder) {
    std::vector<std::string> environment = server.environment();
    if (name == "MalformedClientConf") {
        std::ofstream(folder + "/client.conf") << malformedConfiguration;
        environment.push_back("PULSE_CLIENTCONFIG=" + folder + "/client.conf");
    } else if (name == "RuntimeDirIsAFile") {
        // Without a server named, the library looks for it there.
        std::ofstream(folder + "/runtime-file") << "not a folder\n";
        environment.insert(environment.end(),
                           {"XDG_RUNTIME_DIR=" + folder + "/runtime-file", "PULSE_SERVER"});
    }
    return environment;
}

struct Breakage {
    std::string name;
    // Absent when capture still works; the "error" line's text otherwise.
    std::optional<std::string> error;
};

void PrintTo(const Breakage& breakage, std::ostream* out) {
    *out << breakage.name;
}

class HostileEnvironmentEndToEndTest : public ::testing::TestWithParam<std::tuple<Breakage, bool>> {
  protected:
    SoundServer server;
};

TEST_P(HostileEnvironmentEndToEndTest, SaysNothingOnStandardErrorAndKeepsTheStream) {
    const auto& [breakage, isSystem] = GetParam();
    const std::string folder = server.directory() + "/broken";
    std::filesystem::create_directories(folder);
    const std::vector<std::string> source =
        isSystem ? std::vector<std::string>{"--source", "system"} : std::vector<std::string>{};
    const auto environment = brokenEnvironment(breakage.name, server, folder);
    if (breakage.error) {
        expectSetupFailure(source, environment, *breakage.error);
        return;
    }
    ToolRun run(source, environment);
    EXPECT_TRUE(run.readUntil(
        [](const auto& events) { return hasEvent(events, "ready") && hasEvent(events, "audio"); },
        5s));
    run.terminate();
    run.readToEnd(2s);
    EXPECT_FALSE(hasEvent(run.events(), "error"));
    expectWellFormed(run);
    expectNothingOnStandardError(run);
}

INSTANTIATE_TEST_SUITE_P(
    EachSource, HostileEnvironmentEndToEndTest,
    ::testing::Combine(::testing::Values(Breakage{"MalformedClientConf", std::nullopt},
                                         Breakage{"RuntimeDirIsAFile", "Connection refused"}),
                       ::testing::Bool()),
    [](const auto& info) {
        return std::get<0>(info.param).name + (std::get<1>(info.param) ? "System" : "Microphone");
    });

}  // namespace
}  // namespace tallwick::testing
