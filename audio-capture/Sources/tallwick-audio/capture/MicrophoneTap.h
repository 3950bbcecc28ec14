#pragma once

#include <memory>

#include "convert/AudioConverter.h"
#include "platform/AudioFormat.h"
#include "platform/PCMBuffer.h"

namespace tallwick {

// What the engine calls with each captured microphone buffer: converts it with
// the one converter of the capture and writes its level and audio events. It
// holds the formats and the converter, never the runner.
class MicrophoneTap {
public:
    MicrophoneTap(AudioFormat outputFormat, AudioFormat inputFormat,
                  std::shared_ptr<AudioConverter> converter);

    void operator()(const PCMBuffer& buffer) const;

    // ceil(frames × 16000 ÷ input rate) + 64, or 0 when that is not a usable
    // frame count (a sample rate of 0, say).
    static std::uint32_t outputCapacity(std::uint32_t frameLength, double outputRate,
                                        double inputRate);

private:
    AudioFormat outputFormat_;
    AudioFormat inputFormat_;
    std::shared_ptr<AudioConverter> converter_;
};

}  // namespace tallwick
