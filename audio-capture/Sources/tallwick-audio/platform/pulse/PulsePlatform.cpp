#include "platform/pulse/PulsePlatform.h"

#include "platform/ThreadSerialQueue.h"

namespace tallwick {

PulsePlatform::PulsePlatform()
    : requests_(std::make_shared<ThreadSerialQueue>("tallwick-audio.pulse")),
      screenCapture_(requests_),
      microphone_(requests_) {}

std::shared_ptr<Platform> hostPlatform() { return std::make_shared<PulsePlatform>(); }

}  // namespace tallwick
