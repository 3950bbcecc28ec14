// The whole per-buffer path of a system capture: conversion, level meter,
// base64 and the audio line written to /dev/null.
//
//   pipeline_benchmark [benchmark flags]          Google Benchmark
//   pipeline_benchmark --pipeline-file IN         IN (raw 48 kHz stereo float32)
//                                                 through the path, buffer by buffer
//   pipeline_benchmark --rss-over-time MINUTES    that many minutes of audio through
//                                                 the path; resident memory per minute
// scripts/bench-pipeline.sh times --pipeline-file against sox on the same file.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "CaptureSignal.h"
#include "convert/PCMConverter.h"
#include "events/Base64.h"
#include "events/EventStream.h"
#include "events/LevelMeter.h"

namespace {

using namespace tallwick::benchmarks;

// What the system runner does with each captured buffer.
void handleBuffer(tallwick::PCMConverter& converter, const tallwick::SampleBuffer& buffer) {
    const auto chunk = converter.convert(buffer);
    if (!chunk || chunk->empty()) {
        return;
    }
    tallwick::emitLevel(*chunk);
    tallwick::emit("audio", tallwick::base64Encode(*chunk), std::nullopt);
}

void WholePipeline(benchmark::State& state) {
    const auto buffers = tenSecondsOfBuffers();
    tallwick::PCMConverter converter;
    std::size_t next = 0;
    for (auto _ : state) {
        handleBuffer(converter, buffers[next]);
        next = (next + 1) % buffers.size();
    }
    const auto frames = static_cast<double>(state.iterations()) * bufferFrames;
    state.counters["realtime"] = benchmark::Counter(frames / captureRate, benchmark::Counter::kIsRate);
}
BENCHMARK(WholePipeline);

int pipelineFile(const char* inPath) {
    std::FILE* in = std::fopen(inPath, "rb");
    if (in == nullptr) {
        std::perror(inPath);
        return 1;
    }
    tallwick::PCMConverter converter;
    std::vector<float> samples(bufferFrames * 2);
    while (const std::size_t frames = std::fread(samples.data(), bytesPerFrame, bufferFrames, in)) {
        handleBuffer(converter, captureBuffer(samples.data(), frames));
    }
    std::fclose(in);
    return 0;
}

long residentKilobytes() {
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);) {
        if (line.rfind("VmRSS:", 0) == 0) {
            return std::atol(line.c_str() + 6);
        }
    }
    return -1;
}

int rssOverTime(int minutes) {
    tallwick::PCMConverter converter;
    std::vector<float> samples(bufferFrames * 2);
    const auto framesPerMinute = static_cast<std::uint64_t>(60 * captureRate);
    std::uint64_t frame = 0;
    for (int minute = 1; minute <= minutes; ++minute) {
        for (; frame < minute * framesPerMinute; frame += bufferFrames) {
            fillSignal(frame, bufferFrames, samples.data());
            handleBuffer(converter, captureBuffer(samples.data(), bufferFrames));
        }
        std::printf("minute %d: rss %ld kB\n", minute, residentKilobytes());
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    tallwick::standardOutputEvents().redirect(::open("/dev/null", O_WRONLY));
    if (argc == 3 && std::strcmp(argv[1], "--pipeline-file") == 0) {
        return pipelineFile(argv[2]);
    }
    if (argc == 3 && std::strcmp(argv[1], "--rss-over-time") == 0) {
        return rssOverTime(std::atoi(argv[2]));
    }
    return tallwick::benchmarks::runGoogleBenchmark(argc, argv);
}
