#pragma once

#import <AVFAudio/AVFAudio.h>

#include "platform/Microphone.h"

namespace tallwick {

// The engine's input node: the default input device.
class AVAudioInputNodeAdapter final : public InputNode {
public:
    explicit AVAudioInputNodeAdapter(AVAudioInputNode* node) : node_(node) {}

    // A format with no layout we can read comes back with no channels and no
    // rate, which no converter accepts: the capture then fails to set up
    // instead of misreading samples.
    AudioFormat outputFormatForBus(int bus) override;
    // Throws PlatformError when the framework refuses the tap (no input
    // device, a format the device cannot deliver).
    void installTap(int bus, std::uint32_t bufferSize, const AudioFormat& format,
                    TapBlock block) override;
    void removeTap(int bus) override;

private:
    AVAudioInputNode* node_;
};

}  // namespace tallwick
