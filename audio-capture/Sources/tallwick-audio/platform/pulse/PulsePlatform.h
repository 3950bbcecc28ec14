#pragma once

#include <memory>

#include "platform/Platform.h"
#include "platform/pulse/PulseMicrophone.h"
#include "platform/pulse/PulseScreenCapture.h"

namespace tallwick {

// Capture through the sound server's client API, as served by PulseAudio and
// PipeWire alike.
class PulsePlatform final : public Platform {
public:
    PulsePlatform();

    ScreenCapture& screenCapture() override { return screenCapture_; }
    Microphone& microphone() override { return microphone_; }

private:
    // Where requests that wait for the server run, and their completions.
    std::shared_ptr<SerialQueue> requests_;
    PulseScreenCapture screenCapture_;
    PulseMicrophone microphone_;
};

}  // namespace tallwick
