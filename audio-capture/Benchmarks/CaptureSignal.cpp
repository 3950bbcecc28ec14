#include "CaptureSignal.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstring>
#include <numbers>
#include <vector>

namespace tallwick::benchmarks {

const AudioFormat& captureFormat() {
    static const AudioFormat format(CommonFormat::float32, captureRate, 2, true);
    return format;
}

// Programme-like audio, the same on every run: a few drifting tones, different
// per channel, and quiet noise, never above -3 dBFS.
void fillSignal(std::uint64_t firstFrame, std::size_t frames, float* interleaved) {
    std::uint32_t noise = static_cast<std::uint32_t>(firstFrame * 2654435761u) | 1u;
    for (std::size_t i = 0; i < frames; ++i) {
        const double t = static_cast<double>(firstFrame + i) / captureRate;
        const double drift = 1 + 0.01 * std::sin(2 * std::numbers::pi * 0.2 * t);
        const double left = 0.3 * std::sin(2 * std::numbers::pi * 220 * drift * t) +
                            0.15 * std::sin(2 * std::numbers::pi * 1870 * t);
        const double right = 0.3 * std::sin(2 * std::numbers::pi * 330 * drift * t) +
                             0.1 * std::sin(2 * std::numbers::pi * 5200 * t);
        noise ^= noise << 13;
        noise ^= noise >> 17;
        noise ^= noise << 5;
        const double hiss = 0.02 * (static_cast<double>(noise) / 4294967296.0 - 0.5);
        interleaved[2 * i] = static_cast<float>(left + hiss);
        interleaved[2 * i + 1] = static_cast<float>(right - hiss);
    }
}

testing::FakeSampleBuffer captureBuffer(const float* interleaved, std::size_t frames) {
    std::vector<std::byte> bytes(frames * bytesPerFrame);
    std::memcpy(bytes.data(), interleaved, bytes.size());
    return testing::FakeSampleBuffer(captureFormat().streamDescription(), static_cast<std::int64_t>(frames),
                            {std::move(bytes)});
}

std::vector<testing::FakeSampleBuffer> tenSecondsOfBuffers() {
    std::vector<testing::FakeSampleBuffer> buffers;
    std::vector<float> samples(bufferFrames * 2);
    for (std::uint64_t frame = 0; frame < 10 * captureRate; frame += bufferFrames) {
        fillSignal(frame, bufferFrames, samples.data());
        buffers.push_back(captureBuffer(samples.data(), bufferFrames));
    }
    return buffers;
}

int runGoogleBenchmark(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        return 1;
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

}  // namespace tallwick::benchmarks
