#pragma once

#include "platform/Microphone.h"

namespace tallwick {

// Microphone access through AVFoundation, capture through AVAudioEngine.
class AVFoundationMicrophone final : public Microphone {
public:
    // Asks every time: the system remembers the answer and prompts only once.
    void requestAccess(std::function<void(bool granted)> completion) override;
    std::shared_ptr<AudioEngine> makeEngine() override;
};

}  // namespace tallwick
