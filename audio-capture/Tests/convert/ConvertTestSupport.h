#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "convert/AudioConverter.h"
#include "convert/PCMConverter.h"
#include "platform/AudioFormat.h"

namespace tallwick::testing {

// amplitude x sin(2 pi hz t + phase) for `frames` frames at `sampleRate`.
std::vector<double> tone(double hz, double amplitude, double sampleRate, std::size_t frames,
                         double phase = 0);

// Everything a converter returned for `signal` handed over in consecutive
// buffers of `format`, each `nextSize()` frames long (the last one shorter).
// Every channel carries the signal.
std::vector<std::int16_t> convertInBuffers(PCMConverter& converter, const AudioFormat& format,
                                           const std::vector<double>& signal,
                                           const std::function<std::size_t()>& nextSize);
std::vector<std::int16_t> convertInBuffers(PCMConverter& converter, const AudioFormat& format,
                                           const std::vector<double>& signal, std::size_t size);

// A PCM buffer holding `channels` (full scale 1.0) in `format`.
std::unique_ptr<PCMBuffer> pcmBufferOf(const AudioFormat& format,
                                       const std::vector<std::vector<double>>& channels);

}  // namespace tallwick::testing
