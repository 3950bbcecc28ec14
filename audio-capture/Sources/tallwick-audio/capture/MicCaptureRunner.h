#pragma once

#include <memory>

#include "CaptureRunner.h"
#include "capture/OneShotLatch.h"
#include "capture/StopReport.h"
#include "platform/Platform.h"

namespace tallwick {

// Captures the default microphone through a tap on the audio engine's input,
// until the input is lost.
class MicCaptureRunner final : public CaptureRunner {
public:
    MicCaptureRunner();
    explicit MicCaptureRunner(std::shared_ptr<Platform> platform);

    void run() override;

private:
    static bool requestPermission(Microphone& microphone);

    std::shared_ptr<Platform> platform_;
    std::shared_ptr<AudioEngine> engine;
    // Shared with the engine's stop handler, which may outlive a failed run().
    std::shared_ptr<OneShotLatch> keepAlive = std::make_shared<OneShotLatch>();
    std::shared_ptr<StopReport> stopReport;
    AudioFormat outputFormat = AudioFormat::outputPCM();
};

}  // namespace tallwick
