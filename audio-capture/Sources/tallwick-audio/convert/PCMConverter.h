#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "convert/AudioConverter.h"
#include "platform/AudioFormat.h"
#include "platform/SampleBuffer.h"

namespace tallwick {

// Turns each captured system-audio buffer, whatever its layout, into one chunk
// of Output PCM. One converter serves every buffer of one input format, so the
// buffers convert as one continuous stream; a new format gets a new converter.
// The first format seen is announced once as a "log" event.
//
// Used from one serial queue only; it takes no lock.
class PCMConverter {
public:
    PCMConverter();

    // The chunk for `sampleBuffer`: little-endian int16 samples, at least one.
    // Nothing when the buffer cannot be converted or yields no frame yet; no
    // failure is reported beyond that.
    std::optional<std::vector<std::uint8_t>> convert(const SampleBuffer& sampleBuffer);

private:
    std::unique_ptr<AudioConverter> converter_;
    // The format converter_ was last built for, kept after a refused build too.
    std::optional<AudioFormat> inputFormat_;
    bool loggedFormat_ = false;
    const AudioFormat outputFormat_;
    // Kept from one buffer to the next, so that steady capture allocates
    // nothing here but the chunk it returns.
    std::unique_ptr<PCMBuffer> input_;
    std::unique_ptr<PCMBuffer> output_;
};

}  // namespace tallwick
