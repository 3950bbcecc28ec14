// The inspector as a user runs it: the real binary, on a stream from standard
// input or on a child process, judged by its exit status, summary and WAV file.
#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

#include "events/Base64.h"
#include "events/EventStream.h"
#include "soundserver/RunningProgram.h"

namespace tallwick::listen {
namespace {

using namespace std::chrono_literals;
using tallwick::testing::RunningProgram;

const std::string listenBinary = TALLWICK_LISTEN_BINARY;

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::string temporaryPath(const std::string& stem) {
    return ::testing::TempDir() + "tallwick-listen-" + stem + "-" + std::to_string(::getpid());
}

bool eventually(const std::function<bool()>& condition) {
    for (const auto deadline = std::chrono::steady_clock::now() + 20s; !condition();
         std::this_thread::sleep_for(10ms)) {
        if (std::chrono::steady_clock::now() > deadline)
            return false;
    }
    return true;
}

void expectParts(const std::string& output, const std::vector<std::string>& parts) {
    for (const auto& part : parts)
        EXPECT_NE(output.find(part), std::string::npos) << part << " in:\n" << output;
}

// A stand-in for the tool: a level and 120 frames of audio (never a run of silence) every 10 ms,
// until a signal ends it.
std::vector<std::string> streamingTool() {
    std::string pcm;
    for (int i = 0; i < 80; ++i)
        pcm += "AAEA";
    return {"sh", "-c",
            "echo '{\"type\":\"ready\",\"message\":\"fake\"}'; while :; do echo "
            "'{\"type\":\"level\",\"message\":\"0.0427\"}'; "
            "echo '{\"type\":\"audio\",\"data\":\"" +
                pcm + "\"}'; sleep 0.01; done"};
}

// Its exit status and standard output; in a process group of its own, as a shell would start it.
std::pair<int, std::string> finish(RunningProgram& listen) {
    std::string output;
    while (const auto line = listen.readLine(std::chrono::steady_clock::now() + 60s))
        output += *line + "\n";
    return {listen.waitFor(10s).value_or(-1), output};
}

std::pair<int, std::string> runListen(std::vector<std::string> arguments,
                                      const std::string& stdinFile = "/dev/null") {
    arguments.insert(arguments.begin(),
                     {"sh", "-c", "exec \"$@\" < " + stdinFile, "sh", listenBinary});
    RunningProgram listen(arguments);
    return finish(listen);
}

std::pair<int, std::string> runOnStdin(const std::string& stream,
                                       std::vector<std::string> options) {
    const std::string file = temporaryPath("stream");
    std::ofstream(file, std::ios::binary) << stream;
    options.insert(options.begin(), "--stdin");
    auto finished = runListen(options, file);
    ::unlink(file.c_str());
    return finished;
}

std::string line(std::string_view type, std::string_view message) {
    return tallwick::formatEventLine(type, std::nullopt, message);
}

TEST(ListenBinary, AValidStreamFromStandardInputGivesItsAudioAndStatusZero) {
    std::vector<std::uint8_t> pcm;
    for (int i = 0; i < 801; ++i) {
        const auto sample = static_cast<std::uint16_t>(i * 37 - 15000);
        pcm.insert(pcm.end(), {static_cast<std::uint8_t>(sample & 0xFF),
                               static_cast<std::uint8_t>(sample >> 8)});
    }
    const auto audio = [&](std::size_t from, std::size_t to) {
        return tallwick::formatEventLine(
            "audio", tallwick::base64Encode({pcm.begin() + from, pcm.begin() + to}), std::nullopt);
    };
    // Chunks of 1000, 200 and 402 bytes: base64 ending in "==", in "=" and in neither.
    const std::string wav = temporaryPath("capture");
    const auto [status, output] =
        runOnStdin(line("log", "Requesting screen capture permission\xE2\x80\xA6") +
                       line("level", "0.8000") + audio(0, 1000) + line("ready", "Capturing") +
                       audio(1000, 1200) + audio(1200, 1602) + line("error", "The stream stopped"),
                   {"--wav", wav, "--quiet"});
    EXPECT_EQ(status, 0) << output;
    expectParts(output, {"captured audio 0.050 s (801 frames at 16 kHz)",
                         "7 lines: 1 log, 1 ready, 3 audio, 1 level, 1 error", "invalid lines  0\n",
                         "\"The stream stopped\"", "result         valid event stream"});
    // The canonical header: 16 kHz mono 16-bit PCM, RIFF size 36 + 1602, data size 1602.
    const std::string header(
        "RIFF\x66\x06\0\0WAVEfmt "
        "\x10\0\0\0\x01\0\x01\0\x80\x3E\0\0\0\x7D\0\0\x02\0\x10\0data\x42\x06\0\0",
        44);
    EXPECT_EQ(readFile(wav), header + std::string(pcm.begin(), pcm.end()));
    ::unlink(wav.c_str());
}

TEST(ListenBinary, BadLinesAreReportedByNumberAndGiveStatusOne) {
    const auto [status, output] =
        runOnStdin(line("ready", "ok") +                                        // 1
                       "{\"type\":\"audio\",\"data\":\"AAAA\"}\n" +             // 2: odd bytes
                       "{\"type\":\"audio\",\"data\":\"AA-A\"}\n" +             // 3: bad base64
                       "{\"type\":\"log\",\"message\":\"x\"\n" +                // 4: cut JSON
                       "{\"type\":\"" + std::string(17 << 20, 'x') + "\"}\n" +  // 5: huge
                       line("level", "0.1000") +                                // 6: no audio after
                       line("log",
                            "\x1b[2J\xC2\x9B"
                            "31mcleared?") +        // 7: valid
                       "{\"type\":\"log\",\"mess",  // 8: no line feed
                   {"--quiet"});
    EXPECT_EQ(status, 1) << output;
    // Escape sequences in a message, C1 ones too, are shown, not sent to the terminal.
    expectParts(output,
                {"invalid lines  6 (the first 5 below)", "line 2: \"audio\" data of 3 bytes",
                 "line 3: \"audio\" data: '-' at offset 2", "line 4: not a JSON object",
                 "line 5: line of 17825803 bytes, over the limit",
                 "line 6: \"level\" not directly followed", "\"\\x1B[2J\\xC2\\x9B31mcleared?\"",
                 "INVALID event stream"});
    EXPECT_EQ(output.find('\x1b'), std::string::npos);
    EXPECT_LT(output.size(), 8000u);
}

TEST(ListenBinary, MisuseIsAUsageErrorWithNothingRunAndAToolsEndIsItsStatus) {
    const std::string logThenExit =
        "echo '{\"type\":\"log\",\"message\":\"about to exit\"}'; exit ";
    for (const auto& [arguments, expectedStatus, part] :
         {std::tuple{std::vector<std::string>{}, 2, ""},
          {{"--stdin", "--", "sh", "-c", "exit 0"}, 2, ""},
          {{"--wav"}, 2, ""},
          {{"--stdin", "--wav", "/nonexistent-dir/x.wav"}, 2, ""},
          {{"--quiet", "--", "sh", "-c", logThenExit + "7"},
           3,
           "tool           exited with status 7\n"},
          {{"--quiet", "--", "sh", "-c", logThenExit + "0"}, 0, "\"about to exit\""},
          {{"--quiet", "--", "/nonexistent/tallwick_audio"}, 3, "could not be started"}}) {
        const auto [status, output] = runListen(arguments);
        EXPECT_EQ(status, expectedStatus) << ::testing::PrintToString(arguments) << output;
        EXPECT_EQ(output.empty(), expectedStatus == 2) << "usage errors go to standard error";
        expectParts(output, {part});
    }
}

std::uint32_t littleEndian32(const std::string& bytes, std::size_t at) {
    std::uint32_t value = 0;
    for (std::size_t i = 4; i-- > 0;)
        value = value << 8 | static_cast<unsigned char>(bytes[at + i]);
    return value;
}

TEST(ListenBinary, AStopRequestEndsTheToolAndLeavesACompleteWav) {
    const std::string wav = temporaryPath("interrupted");
    std::vector<std::string> arguments = {listenBinary, "--quiet", "--wav", wav, "--"};
    const auto tool = streamingTool();
    arguments.insert(arguments.end(), tool.begin(), tool.end());
    RunningProgram listen(arguments);
    // Sent once audio is on disk, so it lands in the middle of a capture.
    ASSERT_TRUE(eventually([&] { return readFile(wav).size() > 44 + 4800; }));
    listen.kill(SIGINT);
    const auto [status, output] = finish(listen);
    EXPECT_EQ(status, 0) << output;
    expectParts(output, {"killed by signal 2", "stopped on request (SIGINT from the inspector)",
                         "invalid lines  0\n"});
    const std::string written = readFile(wav);
    EXPECT_EQ(littleEndian32(written, 40), written.size() - 44) << "data size fixed up";
    EXPECT_EQ(littleEndian32(written, 4), written.size() - 8) << "RIFF size fixed up";
    EXPECT_EQ((written.size() - 44) % 240, 0u) << "whole chunks only";
    ::unlink(wav.c_str());
}

}  // namespace
}  // namespace tallwick::listen
