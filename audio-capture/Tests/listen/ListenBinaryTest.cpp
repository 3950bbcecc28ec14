// The inspector as a user runs it: the real binary, on a stream from standard
// input or on a child process, judged by its exit status, summary and WAV file.
#include <gtest/gtest.h>
#include <unistd.h>

#include <csignal>
#include <fstream>
#include <string>
#include <vector>

#include "ProcessRun.h"
#include "WavWriter.h"
#include "events/Base64.h"
#include "events/EventStream.h"

namespace tallwick::listen {
namespace {

using testing::Finished;
using testing::ProcessRun;
using testing::eventually;
using testing::readFile;
using testing::temporaryPath;

const std::string listenBinary = TALLWICK_LISTEN_BINARY;
const std::string fakeWriter = TALLWICK_FAKE_EVENT_WRITER;

bool contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

class ListenBinary : public ::testing::Test {
protected:
    void TearDown() override {
        for (const auto& path : paths_) ::unlink(path.c_str());
    }
    std::string path(const std::string& stem) {
        paths_.push_back(temporaryPath(stem));
        return paths_.back();
    }
    std::string streamFile(const std::string& content) {
        const std::string file = path("stream");
        std::ofstream(file, std::ios::binary) << content;
        return file;
    }
    Finished runOnStdin(const std::string& content, std::vector<std::string> options = {}) {
        std::vector<std::string> command = {listenBinary, "--stdin"};
        command.insert(command.end(), options.begin(), options.end());
        ProcessRun run(command, streamFile(content));
        return run.finish();
    }

private:
    std::vector<std::string> paths_;
};

std::string line(std::string_view type, std::optional<std::string_view> data,
                 std::optional<std::string_view> message) {
    return tallwick::formatEventLine(type, data, message);
}

TEST_F(ListenBinary, AValidStreamFromStandardInputGivesItsAudioAndStatusZero) {
    std::vector<std::uint8_t> pcm;
    for (int i = 0; i < 800; ++i) {
        const auto sample = static_cast<std::int16_t>(i * 37 - 15000);
        pcm.push_back(static_cast<std::uint8_t>(sample & 0xFF));
        pcm.push_back(static_cast<std::uint8_t>((sample >> 8) & 0xFF));
    }
    const std::vector<std::uint8_t> first(pcm.begin(), pcm.begin() + 1000);
    const std::vector<std::uint8_t> second(pcm.begin() + 1000, pcm.end());
    const std::string stream = line("log", std::nullopt, "Requesting screen capture permission\xE2\x80\xA6") +
                               line("level", std::nullopt, "0.8000") +
                               line("audio", tallwick::base64Encode(first), std::nullopt) +
                               line("ready", std::nullopt, "Capturing system audio at 16 kHz mono") +
                               line("audio", tallwick::base64Encode(second), std::nullopt) +
                               line("error", std::nullopt, "The stream stopped");
    const std::string wav = path("capture");
    const Finished finished = runOnStdin(stream, {"--wav", wav, "--quiet"});
    EXPECT_FALSE(finished.signalled);
    EXPECT_EQ(finished.status, 0) << finished.output;
    EXPECT_TRUE(contains(finished.output, "captured audio 0.050 s (800 frames at 16 kHz)")) << finished.output;
    EXPECT_TRUE(contains(finished.output, "6 lines: 1 log, 1 ready, 2 audio, 1 level, 1 error")) << finished.output;
    EXPECT_TRUE(contains(finished.output, "invalid lines  0\n")) << finished.output;
    EXPECT_TRUE(contains(finished.output, "\"The stream stopped\"")) << finished.output;
    EXPECT_TRUE(contains(finished.output, "result         valid event stream")) << finished.output;

    const std::string written = readFile(wav);
    const auto header = wavHeader(1600);
    ASSERT_EQ(written.size(), 44u + 1600u);
    EXPECT_EQ(written.substr(0, 44), std::string(header.begin(), header.end()));
    EXPECT_EQ(written.substr(44), std::string(pcm.begin(), pcm.end()));
}

TEST_F(ListenBinary, BadLinesAreReportedByNumberAndGiveStatusOne) {
    const std::string stream = line("ready", std::nullopt, "ok") +              // 1
                               "{\"type\":\"audio\",\"data\":\"AAAA\"}\n" +     // 2: odd bytes
                               "{\"type\":\"audio\",\"data\":\"AA-A\"}\n" +     // 3: bad base64
                               "{\"type\":\"log\",\"message\":\"x\"\n" +        // 4: cut JSON
                               "{\"type\":\"" + std::string(17 << 20, 'x') + "\"}\n" +  // 5: huge
                               line("level", std::nullopt, "0.1000") +          // 6: no audio after
                               line("log", std::nullopt, "\x1b[2Jcleared?") +   // 7: valid
                               "{\"type\":\"log\",\"mess";                      // 8: no line feed
    const Finished finished = runOnStdin(stream, {"--quiet"});
    EXPECT_FALSE(finished.signalled);
    EXPECT_EQ(finished.status, 1) << finished.output;
    const std::string& out = finished.output;
    EXPECT_TRUE(contains(out, "invalid lines  6 (the first 5 below)")) << out;
    EXPECT_TRUE(contains(out, "line 2: \"audio\" data of 3 bytes")) << out;
    EXPECT_TRUE(contains(out, "line 3: \"audio\" data: '-' at offset 2")) << out;
    EXPECT_TRUE(contains(out, "line 4: not a JSON object")) << out;
    EXPECT_TRUE(contains(out, "line 5: line of 17825803 bytes, over the limit")) << out;
    EXPECT_TRUE(contains(out, "line 6: \"level\" not directly followed")) << out;
    // The escape sequence in a message is shown, not sent to the terminal.
    EXPECT_TRUE(contains(out, "\"\\x1B[2Jcleared?\"")) << out;
    EXPECT_FALSE(contains(out, "\x1b")) << out;
    EXPECT_LT(out.size(), 8000u);
    EXPECT_TRUE(contains(out, "INVALID event stream")) << out;
}

TEST_F(ListenBinary, MisuseIsAUsageErrorWithNothingRun) {
    for (const std::vector<std::string>& arguments :
         {std::vector<std::string>{}, {"--stdin", "--", fakeWriter, "exit", "0"}, {"--wav"},
          {"--stdin", "--loud"}, {"--"}, {"--stdin", "--wav", "/nonexistent-dir/x.wav"}}) {
        std::vector<std::string> command = {listenBinary};
        command.insert(command.end(), arguments.begin(), arguments.end());
        ProcessRun run(command, std::nullopt);
        const Finished finished = run.finish();
        EXPECT_EQ(finished.status, 2) << ::testing::PrintToString(arguments);
        EXPECT_EQ(finished.output, "") << "usage errors go to standard error";
    }
}

TEST_F(ListenBinary, AToolThatFailsGivesStatusThreeAndItsExitInTheSummary) {
    ProcessRun run({listenBinary, "--quiet", "--", fakeWriter, "exit", "7"}, std::nullopt);
    const Finished finished = run.finish();
    EXPECT_EQ(finished.status, 3) << finished.output;
    EXPECT_TRUE(contains(finished.output, "tool           exited with status 7")) << finished.output;
    EXPECT_TRUE(contains(finished.output, "\"about to exit\"")) << finished.output;

    ProcessRun missing({listenBinary, "--quiet", "--", "/nonexistent/tallwick_audio"}, std::nullopt);
    const Finished notStarted = missing.finish();
    EXPECT_EQ(notStarted.status, 3) << notStarted.output;
    EXPECT_TRUE(contains(notStarted.output, "could not be started")) << notStarted.output;
}

TEST_F(ListenBinary, AToolThatEndsWellGivesStatusZero) {
    ProcessRun run({listenBinary, "--quiet", "--", fakeWriter, "exit", "0"}, std::nullopt);
    const Finished finished = run.finish();
    EXPECT_EQ(finished.status, 0) << finished.output;
    EXPECT_TRUE(contains(finished.output, "tool           exited with status 0\n")) << finished.output;
}

std::uint32_t littleEndian32(const std::string& bytes, std::size_t at) {
    std::uint32_t value = 0;
    for (int i = 3; i >= 0; --i) value = value << 8 | static_cast<unsigned char>(bytes[at + static_cast<std::size_t>(i)]);
    return value;
}

TEST_F(ListenBinary, CtrlCStopsTheToolAndLeavesACompleteWav) {
    const std::string wav = path("interrupted");
    ProcessRun run({listenBinary, "--quiet", "--wav", wav, "--", fakeWriter, "stream"}, std::nullopt);
    // Wait for audio to be on disk, so the stop lands in the middle of a capture.
    ASSERT_TRUE(eventually([&] { return readFile(wav).size() > 44 + 4800; }));
    run.signal(SIGINT);
    const Finished finished = run.finish();
    EXPECT_FALSE(finished.signalled);
    EXPECT_EQ(finished.status, 0) << finished.output;
    EXPECT_TRUE(contains(finished.output, "killed by signal 2")) << finished.output;
    EXPECT_TRUE(contains(finished.output, "stopped on request (SIGINT from the inspector)")) << finished.output;
    EXPECT_TRUE(contains(finished.output, "invalid lines  0\n")) << finished.output;

    const std::string written = readFile(wav);
    ASSERT_GT(written.size(), 44u);
    EXPECT_EQ(littleEndian32(written, 40), written.size() - 44) << "data size fixed up";
    EXPECT_EQ(littleEndian32(written, 4), written.size() - 8) << "RIFF size fixed up";
    EXPECT_EQ((written.size() - 44) % 240, 0u) << "whole chunks only";
}

TEST_F(ListenBinary, CtrlCOnTheTerminalIsPassedOnByTheInspectorAlone) {
    const std::string wav = path("terminal");
    ProcessRun run({listenBinary, "--quiet", "--wav", wav, "--", fakeWriter, "stream"}, std::nullopt);
    ASSERT_TRUE(eventually([&] { return readFile(wav).size() > 44; }));
    // The terminal signals its foreground group. The tool is not in it, so it
    // cannot die of the signal before the inspector knows a stop was asked for.
    run.signalGroup(SIGINT);
    const Finished finished = run.finish();
    EXPECT_EQ(finished.status, 0) << finished.output;
    EXPECT_TRUE(contains(finished.output, "stopped on request (SIGINT from the inspector)")) << finished.output;
}

TEST_F(ListenBinary, AToolThatIgnoresTheStopIsKilledOnTheSecondOne) {
    const std::string marker = path("marker");
    ::unlink(marker.c_str());
    const std::string wav = path("stubborn");
    ProcessRun run({listenBinary, "--quiet", "--wav", wav, "--", fakeWriter, "stubborn", marker},
                   std::nullopt);
    // Audio on disk: the inspector is in its loop and catches signals.
    ASSERT_TRUE(eventually([&] { return readFile(wav).size() > 44; }));
    // The first SIGTERM reaches the tool (it leaves the marker) and is ignored...
    run.signal(SIGTERM);
    ASSERT_TRUE(eventually([&] { return ::access(marker.c_str(), F_OK) == 0; }));
    // ...the next one makes the inspector kill it.
    run.signal(SIGTERM);
    const Finished finished = run.finish();
    EXPECT_EQ(finished.status, 0) << finished.output;
    EXPECT_TRUE(contains(finished.output, "killed by signal 9")) << finished.output;
    EXPECT_TRUE(contains(finished.output, "(SIGKILL from the inspector)")) << finished.output;
}

}  // namespace
}  // namespace tallwick::listen
