// The inspector as a user runs it: the real binary, on a stream from standard
// input or on a child process, judged by its exit status, summary and WAV file.
#include <gtest/gtest.h>
#include <unistd.h>

#include <csignal>
#include <fstream>
#include <functional>
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

void expectParts(const std::string& output, const std::vector<std::string>& parts) {
    for (const auto& part : parts) EXPECT_NE(output.find(part), std::string::npos) << part << " in:\n" << output;
}

Finished runOnStdin(const std::string& stream, std::vector<std::string> options) {
    const std::string file = temporaryPath("stream");
    std::ofstream(file, std::ios::binary) << stream;
    options.insert(options.begin(), {listenBinary, "--stdin"});
    ProcessRun run(options, file);
    Finished finished = run.finish();
    ::unlink(file.c_str());
    return finished;
}

std::string line(std::string_view type, std::string_view message) {
    return tallwick::formatEventLine(type, std::nullopt, message);
}

TEST(ListenBinary, AValidStreamFromStandardInputGivesItsAudioAndStatusZero) {
    std::vector<std::uint8_t> pcm;
    for (int i = 0; i < 800; ++i) {
        const auto sample = static_cast<std::uint16_t>(i * 37 - 15000);
        pcm.insert(pcm.end(), {static_cast<std::uint8_t>(sample & 0xFF), static_cast<std::uint8_t>(sample >> 8)});
    }
    const auto audio = [&](std::size_t from, std::size_t to) {
        return tallwick::formatEventLine("audio", tallwick::base64Encode({pcm.begin() + from, pcm.begin() + to}), std::nullopt);
    };
    const std::string wav = temporaryPath("capture");
    const Finished finished = runOnStdin(line("log", "Requesting screen capture permission\xE2\x80\xA6") +
                                             line("level", "0.8000") + audio(0, 1000) + line("ready", "Capturing") +
                                             audio(1000, 1600) + line("error", "The stream stopped"),
                                         {"--wav", wav, "--quiet"});
    EXPECT_FALSE(finished.signalled);
    EXPECT_EQ(finished.status, 0) << finished.output;
    expectParts(finished.output, {"captured audio 0.050 s (800 frames at 16 kHz)",
                                  "6 lines: 1 log, 1 ready, 2 audio, 1 level, 1 error", "invalid lines  0\n",
                                  "\"The stream stopped\"", "result         valid event stream"});
    const auto header = wavHeader(1600);
    EXPECT_EQ(readFile(wav), std::string(header.begin(), header.end()) + std::string(pcm.begin(), pcm.end()));
    ::unlink(wav.c_str());
}

TEST(ListenBinary, BadLinesAreReportedByNumberAndGiveStatusOne) {
    const Finished finished = runOnStdin(line("ready", "ok") +                                   // 1
                                             "{\"type\":\"audio\",\"data\":\"AAAA\"}\n" +        // 2: odd bytes
                                             "{\"type\":\"audio\",\"data\":\"AA-A\"}\n" +        // 3: bad base64
                                             "{\"type\":\"log\",\"message\":\"x\"\n" +           // 4: cut JSON
                                             "{\"type\":\"" + std::string(17 << 20, 'x') + "\"}\n" +  // 5: huge
                                             line("level", "0.1000") +                           // 6: no audio after
                                             line("log", "\x1b[2Jcleared?") +                    // 7: valid
                                             "{\"type\":\"log\",\"mess",                         // 8: no line feed
                                         {"--quiet"});
    EXPECT_EQ(finished.status, 1) << finished.output;
    // The escape sequence in a message is shown, not sent to the terminal.
    expectParts(finished.output, {"invalid lines  6 (the first 5 below)", "line 2: \"audio\" data of 3 bytes",
                                  "line 3: \"audio\" data: '-' at offset 2", "line 4: not a JSON object",
                                  "line 5: line of 17825803 bytes, over the limit", "line 6: \"level\" not directly followed",
                                  "\"\\x1B[2Jcleared?\"", "INVALID event stream"});
    EXPECT_EQ(finished.output.find('\x1b'), std::string::npos);
    EXPECT_LT(finished.output.size(), 8000u);
}

TEST(ListenBinary, MisuseIsAUsageErrorWithNothingRunAndAToolsEndIsItsStatus) {
    for (const std::vector<std::string>& arguments :
         {std::vector<std::string>{}, {"--stdin", "--", fakeWriter, "exit", "0"}, {"--wav"}, {"--stdin", "--loud"},
          {"--"}, {"--stdin", "--wav", "/nonexistent-dir/x.wav"}}) {
        std::vector<std::string> command = {listenBinary};
        command.insert(command.end(), arguments.begin(), arguments.end());
        const Finished finished = ProcessRun(command, std::nullopt).finish();
        EXPECT_EQ(finished.status, 2) << ::testing::PrintToString(arguments);
        EXPECT_EQ(finished.output, "") << "usage errors go to standard error";
    }
    for (const auto& [tool, status, part] :
         {std::tuple{std::vector<std::string>{fakeWriter, "exit", "7"}, 3, "tool           exited with status 7\n"},
          {{fakeWriter, "exit", "0"}, 0, "tool           exited with status 0\n"},
          {{"/nonexistent/tallwick_audio"}, 3, "could not be started"}}) {
        std::vector<std::string> command = {listenBinary, "--quiet", "--"};
        command.insert(command.end(), tool.begin(), tool.end());
        const Finished finished = ProcessRun(command, std::nullopt).finish();
        EXPECT_EQ(finished.status, status) << finished.output;
        expectParts(finished.output, {part});
    }
}

std::uint32_t littleEndian32(const std::string& bytes, std::size_t at) {
    std::uint32_t value = 0;
    for (std::size_t i = 4; i-- > 0;) value = value << 8 | static_cast<unsigned char>(bytes[at + i]);
    return value;
}

TEST(ListenBinary, AStopRequestEndsTheToolAndLeavesACompleteWav) {
    const std::string marker = temporaryPath("marker");
    struct Case {
        std::vector<std::string> tool;
        // Sends the stop once audio is on disk, so it lands in the middle of a capture.
        std::function<void(ProcessRun&)> stop;
        std::vector<std::string> parts;
    };
    const Case cases[] = {
        {{"stream"}, [](ProcessRun& run) { run.signal(SIGINT); },
         {"killed by signal 2", "stopped on request (SIGINT from the inspector)"}},
        // The terminal signals its foreground group. The tool is not in it, so it
        // cannot die of the signal before the inspector knows a stop was asked for.
        {{"stream"}, [](ProcessRun& run) { run.signalGroup(SIGINT); }, {"stopped on request (SIGINT from the inspector)"}},
        // The first SIGTERM reaches the tool (it leaves the marker) and is
        // ignored; the next one makes the inspector kill it.
        {{"stubborn", marker},
         [&](ProcessRun& run) {
             run.signal(SIGTERM);
             ASSERT_TRUE(eventually([&] { return ::access(marker.c_str(), F_OK) == 0; }));
             run.signal(SIGTERM);
         },
         {"killed by signal 9", "(SIGKILL from the inspector)"}},
    };
    for (const Case& c : cases) {
        ::unlink(marker.c_str());
        const std::string wav = temporaryPath("interrupted");
        std::vector<std::string> command = {listenBinary, "--quiet", "--wav", wav, "--", fakeWriter};
        command.insert(command.end(), c.tool.begin(), c.tool.end());
        ProcessRun run(command, std::nullopt);
        ASSERT_TRUE(eventually([&] { return readFile(wav).size() > 44 + 4800; }));
        c.stop(run);
        const Finished finished = run.finish();
        EXPECT_FALSE(finished.signalled);
        EXPECT_EQ(finished.status, 0) << finished.output;
        expectParts(finished.output, c.parts);
        expectParts(finished.output, {"invalid lines  0\n"});
        const std::string written = readFile(wav);
        EXPECT_EQ(littleEndian32(written, 40), written.size() - 44) << "data size fixed up";
        EXPECT_EQ(littleEndian32(written, 4), written.size() - 8) << "RIFF size fixed up";
        EXPECT_EQ((written.size() - 44) % 240, 0u) << "whole chunks only";
        ::unlink(wav.c_str());
    }
    ::unlink(marker.c_str());
}

}  // namespace
}  // namespace tallwick::listen
