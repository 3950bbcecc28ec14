#include "ConvertTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numbers>

#include "support/FakeSampleBuffer.h"

namespace tallwick::testing {

std::vector<double> tone(double hz, double amplitude, double sampleRate, std::size_t frames,
                         double phase) {
    std::vector<double> samples(frames);
    for (std::size_t i = 0; i < frames; ++i) {
        samples[i] =
            amplitude *
            std::sin(2 * std::numbers::pi * hz * static_cast<double>(i) / sampleRate + phase);
    }
    return samples;
}

std::vector<std::int16_t> convertInBuffers(PCMConverter& converter, const AudioFormat& format,
                                           const std::vector<double>& signal,
                                           const std::function<std::size_t()>& nextSize) {
    std::vector<std::int16_t> output;
    for (std::size_t at = 0; at < signal.size();) {
        const std::size_t size = std::min(nextSize(), signal.size() - at);
        const std::vector<double> piece(signal.begin() + static_cast<std::ptrdiff_t>(at),
                                        signal.begin() + static_cast<std::ptrdiff_t>(at + size));
        if (const auto chunk = converter.convert(
                FakeSampleBuffer::of(format, std::vector(format.channelCount(), piece)))) {
            EXPECT_FALSE(chunk->empty());
            for (std::size_t i = 0; i + 1 < chunk->size(); i += 2)
                output.push_back(static_cast<std::int16_t>((*chunk)[i] | ((*chunk)[i + 1] << 8)));
        }
        at += size;
    }
    return output;
}

std::vector<std::int16_t> convertInBuffers(PCMConverter& converter, const AudioFormat& format,
                                           const std::vector<double>& signal, std::size_t size) {
    return convertInBuffers(converter, format, signal, [size] { return size; });
}

std::unique_ptr<PCMBuffer> pcmBufferOf(const AudioFormat& format,
                                       const std::vector<std::vector<double>>& channels) {
    const auto sampleBuffer = FakeSampleBuffer::of(format, channels);
    const auto frames = static_cast<std::uint32_t>(sampleBuffer.numSamples());
    auto buffer = PCMBuffer::make(format, std::max(frames, 1u));
    EXPECT_EQ(sampleBuffer.copyPCMData(0, static_cast<std::int32_t>(frames),
                                       buffer->mutableAudioBufferList()),
              0);
    buffer->setFrameLength(frames);
    return buffer;
}

}  // namespace tallwick::testing
