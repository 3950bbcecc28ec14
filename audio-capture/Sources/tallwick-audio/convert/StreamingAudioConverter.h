#pragma once

#include <memory>
#include <vector>

#include "convert/AudioConverter.h"
#include "convert/MonoResampler.h"
#include "convert/SampleFifo.h"

namespace tallwick {

// Converts one input format to Output PCM: channels averaged to mono, one
// stream resampler to 16 kHz, then rounded and clipped to int16. The mix-down
// and the rounding are ours on every platform; only the resampler is the
// platform's (see MonoResampler).
//
// Scratch space grows to the largest input seen and is reused, so a warmed-up
// convert() does not allocate.
class StreamingAudioConverter final : public AudioConverter {
public:
    // None when no resampler can be made for the rate.
    static std::unique_ptr<StreamingAudioConverter> make(const AudioFormat& from);

    ConverterOutputStatus convert(PCMBuffer& output, std::optional<PlatformError>& error,
                                  const InputBlock& input) override;

private:
    StreamingAudioConverter(const AudioFormat& from, std::unique_ptr<MonoResampler> resampler);

    // Mixes, resamples and queues one pulled buffer. Empty on success.
    std::optional<PlatformError> take(const PCMBuffer* buffer);
    std::uint32_t framesToFill(std::uint32_t outputRoom) const;

    AudioFormat from_;
    std::unique_ptr<MonoResampler> resampler_;
    std::vector<float> mono_;
    SampleFifo pending_;
};

}  // namespace tallwick
