#pragma once

#include <soxr.h>

#include <memory>
#include <vector>

#include "convert/AudioConverter.h"
#include "convert/SampleFifo.h"

namespace tallwick {

// Converts one input format to Output PCM: channels averaged to mono, one
// libsoxr stream resampler (high quality, linear phase) run in single precision,
// then rounded and clipped to int16.
//
// The resampler lives as long as the converter and is never flushed: capture
// has no end of stream, and a flush would cut the stream into pieces with a
// filter tail between them. Scratch space grows to the largest input seen and
// is reused, so a warmed-up convert() does not allocate.
class SoxrAudioConverter final : public AudioConverter {
public:
    // None when libsoxr cannot make a resampler for the rate.
    static std::unique_ptr<SoxrAudioConverter> make(const AudioFormat& from);

    ConverterOutputStatus convert(PCMBuffer& output, std::optional<PlatformError>& error,
                                  const InputBlock& input) override;

private:
    struct SoxrDeleter {
        void operator()(soxr_t resampler) const { soxr_delete(resampler); }
    };
    using Resampler = std::unique_ptr<std::remove_pointer_t<soxr_t>, SoxrDeleter>;

    SoxrAudioConverter(const AudioFormat& from, Resampler resampler);

    // Mixes, resamples and queues one pulled buffer. Empty on success.
    std::optional<PlatformError> take(const PCMBuffer* buffer);
    std::optional<PlatformError> resample(std::size_t frames);
    std::uint32_t framesToFill(std::uint32_t outputRoom) const;

    AudioFormat from_;
    Resampler resampler_;
    std::vector<float> mono_;
    std::vector<float> resampled_;
    SampleFifo pending_;
};

}  // namespace tallwick
