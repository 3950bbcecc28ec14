#pragma once

#import <AVFAudio/AVFAudio.h>

#include <memory>

#include "platform/Microphone.h"
#include "platform/apple/AVAudioInputNodeAdapter.h"
#include "platform/apple/CaptureEndReport.h"

namespace tallwick {

// An AVAudioEngine, not running until started. When its input device changes
// or goes away the engine stops itself and posts a configuration change; a
// running engine reports that as its end, so the capture does not go silent.
class AVAudioEngineAdapter final : public AudioEngine {
public:
    AVAudioEngineAdapter();
    ~AVAudioEngineAdapter() override;

    AVAudioEngineAdapter(const AVAudioEngineAdapter&) = delete;
    AVAudioEngineAdapter& operator=(const AVAudioEngineAdapter&) = delete;

    InputNode& inputNode() override;
    bool start(std::optional<PlatformError>& error) override;
    void stop() override;
    void onStoppedWithError(std::function<void(const PlatformError&)> handler) override;

private:
    AVAudioEngine* engine_;
    // Shared with the notification observer, which may outlive a call in progress.
    std::shared_ptr<CaptureEndReport> end_;
    id<NSObject> observer_;
    std::unique_ptr<AVAudioInputNodeAdapter> inputNode_;
};

}  // namespace tallwick
