#include "platform/Platform.h"

#include "platform/apple/AVFoundationMicrophone.h"
#include "platform/apple/ScreenCaptureKitCapture.h"

namespace tallwick {

namespace {

class ApplePlatform final : public Platform {
public:
    ScreenCapture& screenCapture() override { return screenCapture_; }
    Microphone& microphone() override { return microphone_; }

private:
    ScreenCaptureKitCapture screenCapture_;
    AVFoundationMicrophone microphone_;
};

}  // namespace

std::shared_ptr<Platform> hostPlatform() { return std::make_shared<ApplePlatform>(); }

}  // namespace tallwick
