#pragma once

// The captured audio the benchmarks feed: 48 kHz stereo float32 in 1024-frame
// buffers, the layout a system capture delivers, with programme-like content.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/AudioFormat.h"
#include "support/FakeSampleBuffer.h"

namespace tallwick::benchmarks {

constexpr double captureRate = 48000;
constexpr std::size_t bufferFrames = 1024;
constexpr std::size_t bytesPerFrame = 2 * sizeof(float);

const AudioFormat& captureFormat();

// Frames [firstFrame, firstFrame + frames) of the signal, interleaved; the same on every run.
void fillSignal(std::uint64_t firstFrame, std::size_t frames, float* interleaved);

testing::FakeSampleBuffer captureBuffer(const float* interleaved, std::size_t frames);

// Ten seconds of distinct capture buffers, for benchmarks that go round them.
std::vector<testing::FakeSampleBuffer> tenSecondsOfBuffers();

// Google Benchmark's own main, for binaries that also have modes of their own.
int runGoogleBenchmark(int argc, char** argv);

}  // namespace tallwick::benchmarks
