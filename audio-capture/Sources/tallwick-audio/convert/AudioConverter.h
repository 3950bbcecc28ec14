#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

#include "PlatformError.h"
#include "platform/AudioFormat.h"
#include "platform/PCMBuffer.h"

namespace tallwick {

enum class InputStatus { haveData = 0, noDataNow = 1, endOfStream = 2 };

// Asked for input during a conversion: returns a buffer with haveData, or
// nullptr with noDataNow (or endOfStream, which this tool never reports).
using InputBlock = std::function<const PCMBuffer*(std::uint32_t packetCount, InputStatus& status)>;

enum class ConverterOutputStatus { haveData, inputRanDry, endOfStream, error };

// A streaming converter from one PCM format to Output PCM (16 kHz mono int16).
// Its resampler state lives from one convert() to the next, so consecutive
// buffers convert as one continuous stream.
class AudioConverter {
public:
    // None when the conversion is not supported.
    static std::unique_ptr<AudioConverter> make(const AudioFormat& from, const AudioFormat& to);

    virtual ~AudioConverter() = default;

    // Pulls input until the block answers noDataNow, writes what is ready into
    // `output` (at most its capacity; the rest waits for the next call) and sets
    // its frameLength. On failure fills `error` and returns error.
    virtual ConverterOutputStatus convert(PCMBuffer& output, std::optional<PlatformError>& error,
                                          const InputBlock& input) = 0;
};

}  // namespace tallwick
