#pragma once

#include <memory>

#include "platform/Microphone.h"
#include "platform/ScreenCapture.h"

namespace tallwick {

// The operating system's capture services, as one backend offers them.
class Platform {
public:
    virtual ~Platform() = default;
    virtual ScreenCapture& screenCapture() = 0;
    virtual Microphone& microphone() = 0;
};

// The backend linked into the executable (PulseAudio on Linux, the Apple
// frameworks on macOS).
std::shared_ptr<Platform> hostPlatform();

}  // namespace tallwick
