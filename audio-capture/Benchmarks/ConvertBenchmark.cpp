// Cost of converting captured system audio: PCMConverter::convert on 1024-frame
// buffers of 48 kHz stereo float32, the layout ScreenCaptureKit delivers.
//
//   convert_benchmark [benchmark flags]           Google Benchmark
//   convert_benchmark --write-signal FILE SECONDS  that audio, raw, for other tools
//   convert_benchmark --convert-file IN OUT        IN converted buffer by buffer to
//                                                  16 kHz mono s16le in OUT
// scripts/bench-convert.sh times the last against sox on the same file.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <numbers>
#include <string>
#include <vector>

#include "convert/PCMConverter.h"
#include "events/EventStream.h"
#include "CaptureSignal.h"

namespace {

using tallwick::benchmarks::bufferFrames;
using tallwick::benchmarks::bytesPerFrame;
using tallwick::benchmarks::captureBuffer;
using tallwick::benchmarks::captureRate;
using tallwick::benchmarks::fillSignal;
using tallwick::benchmarks::tenSecondsOfBuffers;
using tallwick::testing::FakeSampleBuffer;

void PCMConverterConvert(benchmark::State& state) {
    const auto buffers = tenSecondsOfBuffers();
    tallwick::PCMConverter converter;
    std::size_t next = 0;
    for (auto _ : state) {
        auto chunk = converter.convert(buffers[next]);
        benchmark::DoNotOptimize(chunk);
        next = (next + 1) % buffers.size();
    }
    const auto frames = static_cast<double>(state.iterations()) * bufferFrames;
    state.SetItemsProcessed(static_cast<std::int64_t>(frames));
    state.counters["realtime"] = benchmark::Counter(frames / captureRate, benchmark::Counter::kIsRate);
}
BENCHMARK(PCMConverterConvert);

int writeSignal(const char* path, double seconds) {
    std::FILE* out = std::fopen(path, "wb");
    if (out == nullptr) {
        std::perror(path);
        return 1;
    }
    const auto total = static_cast<std::uint64_t>(seconds * captureRate);
    std::vector<float> samples(bufferFrames * 2);
    for (std::uint64_t frame = 0; frame < total; frame += bufferFrames) {
        const auto frames = static_cast<std::size_t>(std::min<std::uint64_t>(bufferFrames, total - frame));
        fillSignal(frame, frames, samples.data());
        std::fwrite(samples.data(), bytesPerFrame, frames, out);
    }
    return std::fclose(out) == 0 ? 0 : 1;
}

// As a capture runs it: one sample buffer per 1024 frames, one chunk written per
// buffer that yields one.
int convertFile(const char* inPath, const char* outPath) {
    std::FILE* in = std::fopen(inPath, "rb");
    std::FILE* out = std::fopen(outPath, "wb");
    if (in == nullptr || out == nullptr) {
        std::perror("convert_benchmark");
        return 1;
    }
    tallwick::PCMConverter converter;
    std::vector<float> samples(bufferFrames * 2);
    for (;;) {
        const std::size_t frames = std::fread(samples.data(), bytesPerFrame, bufferFrames, in);
        if (frames == 0) {
            break;
        }
        if (const auto chunk = converter.convert(captureBuffer(samples.data(), frames))) {
            std::fwrite(chunk->data(), 1, chunk->size(), out);
        }
    }
    std::fclose(in);
    return std::fclose(out) == 0 ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    // The converter announces its input format as an event; keep it off the
    // benchmark's own output.
    tallwick::standardOutputEvents().redirect(::open("/dev/null", O_WRONLY));

    if (argc == 4 && std::strcmp(argv[1], "--write-signal") == 0) {
        return writeSignal(argv[2], std::atof(argv[3]));
    }
    if (argc == 4 && std::strcmp(argv[1], "--convert-file") == 0) {
        return convertFile(argv[2], argv[3]);
    }
    return tallwick::benchmarks::runGoogleBenchmark(argc, argv);
}
