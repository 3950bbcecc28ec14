#pragma once

#import <AVFAudio/AVFAudio.h>

#include "convert/MonoResampler.h"

namespace tallwick {

// Apple's AVAudioConverter as the stream resampler, float32 mono in and out:
// the mastering-grade sample-rate converter at its highest quality, primed so
// that output stays aligned with the input, without dither. Each call hands
// the converter one buffer through an input block that answers "no data now"
// once it has handed it over, never "end of stream", so the filter's state
// carries on to the next call.
class AVAudioConverterResampler final : public MonoResampler {
public:
    static std::unique_ptr<AVAudioConverterResampler> create(double inputRate);

    std::optional<PlatformError> process(std::span<const float> input,
                                         SampleFifo& output) override;

private:
    AVAudioConverterResampler(AVAudioConverter* converter, AVAudioFormat* inputFormat,
                              AVAudioPCMBuffer* block);

    AVAudioConverter* converter_;
    AVAudioFormat* inputFormat_;
    // Reused for every call: its samples are taken out before the next one.
    AVAudioPCMBuffer* block_;
};

}  // namespace tallwick
