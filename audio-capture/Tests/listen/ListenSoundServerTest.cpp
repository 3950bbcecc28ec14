// The inspector running the real tool against a private sound server while a
// tone plays: the whole path a user takes to check a capture.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <csignal>
#include <cstdint>
#include <string>
#include <thread>

#include "ProcessRun.h"
#include "SoundServer.h"
#include "Tone.h"

namespace tallwick::listen {
namespace {

using namespace std::chrono_literals;
using testing::Finished;
using testing::ProcessRun;
using testing::eventually;
using testing::readFile;
using testing::temporaryPath;

std::uint32_t littleEndian32(const std::string& bytes, std::size_t at) {
    std::uint32_t value = 0;
    for (std::size_t i = 4; i-- > 0;) value = value << 8 | static_cast<unsigned char>(bytes[at + i]);
    return value;
}

TEST(ListenOnASoundServer, SavesATonePlayedWhileTheToolCaptures) {
    tallwick::testing::SoundServer server;
    const std::string wav = temporaryPath("tone");
    ProcessRun run({TALLWICK_LISTEN_BINARY, "--quiet", "--wav", wav, "--", TALLWICK_AUDIO_BINARY,
                    "--source", "system"},
                   std::nullopt, server.environment());
    // The monitor of an idle sink delivers silence: audio on disk means the
    // capture is running.
    ASSERT_TRUE(eventually([&] { return readFile(wav).size() > 44 + 3200; }));

    constexpr double toneSeconds = 1.5;
    auto player = server.play("tallwick_speakers", tallwick::testing::sine(1000, toneSeconds, 48000, 0.1f),
                              48000);
    // As a loaded machine would, the player gets no time for a while; the
    // tone must still come out whole. Only where the server holds the whole
    // sound before playing it: PipeWire's pulse server holds far less, and a
    // stopped player leaves a gap there.
    if (server.kind() == tallwick::testing::SoundServer::Kind::pulseaudio) {
        ::kill(player->pid(), SIGSTOP);
        std::this_thread::sleep_for(300ms);
        ::kill(player->pid(), SIGCONT);
    }
    ASSERT_EQ(player->waitFor(20s), 0);
    // The tail of the tone is still on its way through the server.
    const std::size_t played = readFile(wav).size();
    ASSERT_TRUE(eventually([&] { return readFile(wav).size() > played + 16000; }));
    run.signal(SIGTERM);
    const Finished finished = run.finish();

    EXPECT_EQ(finished.status, 0) << finished.output;
    EXPECT_NE(finished.output.find("invalid lines  0\n"), std::string::npos) << finished.output;
    EXPECT_NE(finished.output.find("stopped on request (SIGTERM from the inspector)"), std::string::npos)
        << finished.output;
    EXPECT_NE(finished.output.find("result         valid event stream"), std::string::npos)
        << finished.output;

    const std::string bytes = readFile(wav);
    ASSERT_GT(bytes.size(), 44u);
    EXPECT_EQ(littleEndian32(bytes, 40), bytes.size() - 44);
    const auto samples = tallwick::testing::fromPCM16(bytes.substr(44));
    // All of the tone and nothing more: the 20 ms blocks that carry it.
    constexpr std::size_t block = 320;
    std::size_t loudBlocks = 0;
    std::size_t firstLoud = samples.size();
    std::size_t lastLoud = 0;
    for (std::size_t at = 0; at + block <= samples.size(); at += block) {
        if (tallwick::testing::rms(std::span(samples).subspan(at, block)) > 0.03) {
            ++loudBlocks;
            firstLoud = std::min(firstLoud, at);
            lastLoud = at + block;
        }
    }
    EXPECT_NEAR(static_cast<double>(loudBlocks) * 0.02, toneSeconds, 0.1);
    ASSERT_LT(firstLoud, lastLoud);
    const auto tone = std::span(samples).subspan(firstLoud, lastLoud - firstLoud);
    // Block by block: a busy server may drop a stretch (PipeWire does rather
    // than catch up), and the phase jump would fool one measure over the span.
    std::size_t toneBlocks = 0;
    for (std::size_t at = 0; at + block <= tone.size(); at += block) {
        toneBlocks += tallwick::testing::toneShare(tone.subspan(at, block), 16000, 1000) > 0.9;
    }
    EXPECT_GE(toneBlocks * 10, tone.size() / block * 9) << toneBlocks << " of " << tone.size() / block;
    // A mono tone played into a stereo sink, its monitor recorded as mono.
    EXPECT_NEAR(tallwick::testing::rms(tone), 0.1 / std::sqrt(2.0) * server.stereoToMonoGain(), 0.015);
    ::unlink(wav.c_str());
}

}  // namespace
}  // namespace tallwick::listen
