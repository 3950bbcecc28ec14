// Cost of putting captured audio on the event stream: base64 and whole audio
// lines written to /dev/null.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "CaptureSignal.h"
#include "events/Base64.h"
#include "events/EventStream.h"

namespace {

std::vector<std::uint8_t> randomBytes(std::size_t count) {
    std::mt19937 random(1);
    std::vector<std::uint8_t> bytes(count);
    for (auto& b : bytes) b = static_cast<std::uint8_t>(random());
    return bytes;
}

void Base64Encode(benchmark::State& state) {
    const auto bytes = randomBytes(static_cast<std::size_t>(state.range(0)));
    std::string text(tallwick::base64EncodedLength(bytes.size()), '\0');
    for (auto _ : state) {
        tallwick::base64Encode(bytes, text.data());
        benchmark::DoNotOptimize(text.data());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * state.range(0));
}
BENCHMARK(Base64Encode)->Arg(812)->Arg(1 << 20);

// One audio event as capture makes it: a 20 ms chunk of Output PCM (320 frames,
// 640 bytes) or a 4096-frame tap buffer at 48 kHz (1366 frames), encoded and
// written whole.
void AudioLineToDevNull(benchmark::State& state) {
    const int devNull = ::open("/dev/null", O_WRONLY);
    tallwick::EventStream stream(devNull);
    const auto chunk = randomBytes(static_cast<std::size_t>(state.range(0)));
    for (auto _ : state) {
        stream.emit("audio", tallwick::base64Encode(chunk), std::nullopt);
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()));
    ::close(devNull);
}
BENCHMARK(AudioLineToDevNull)->Arg(640)->Arg(2732);

// Encodes a file to standard output as `base64 -w0` does: block by block, the
// blocks a multiple of three bytes so that only the last one is padded.
int encodeFile(const char* path) {
    std::FILE* in = std::fopen(path, "rb");
    if (in == nullptr) {
        std::perror(path);
        return 1;
    }
    constexpr std::size_t blockBytes = 3 << 15;
    std::vector<std::uint8_t> block(blockBytes);
    std::vector<char> text(tallwick::base64EncodedLength(blockBytes));
    while (const std::size_t got = std::fread(block.data(), 1, blockBytes, in)) {
        tallwick::base64Encode(std::span(block.data(), got), text.data());
        std::fwrite(text.data(), 1, tallwick::base64EncodedLength(got), stdout);
    }
    std::fclose(in);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 3 && std::strcmp(argv[1], "--encode-file") == 0) {
        return encodeFile(argv[2]);
    }
    return tallwick::benchmarks::runGoogleBenchmark(argc, argv);
}
