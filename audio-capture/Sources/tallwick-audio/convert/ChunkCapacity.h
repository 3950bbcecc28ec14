#pragma once

#include <cstdint>
#include <optional>

namespace tallwick {

// Frames of Output PCM room for one captured buffer of `frames` frames at
// `inputSampleRate`: ceil(16000 / rate x frames) + 64, computed in that order in
// double precision. The 64 frames of slack take what the resampler releases
// beyond the buffer's own share. None when the result is not a finite count
// that fits 32 bits.
std::optional<std::uint32_t> chunkFrameCapacity(std::int64_t frames, double inputSampleRate);

}  // namespace tallwick
