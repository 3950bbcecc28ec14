#pragma once

#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "platform/Platform.h"

namespace tallwick::testing {

// What the simulated platform will do when the runner asks.
struct SimScript {
    std::vector<std::string> displays = {"Studio Display", "Built-in Display"};
    std::optional<PlatformError> contentError{};
    std::optional<PlatformError> addOutputError{};
    std::optional<PlatformError> startError{};
    // The stream reports a stop before startCapture completes (with success,
    // or with startError), so the stop reaches the runner before "ready".
    std::optional<PlatformError> stopBeforeStartCompletes{};

    bool microphoneAccess = true;
    AudioFormat microphoneFormat{CommonFormat::float32, 48000.0, 1, false};
    std::optional<PlatformError> engineStartError{};
    // The engine reports the loss of its input while start() is still under
    // way (a device that reconfigures as it opens), then starts or fails.
    std::optional<PlatformError> engineStopWhileStarting{};
};

// A platform for tests: it answers as scripted, completion handlers on threads
// of their own as a real one does, and records every call the runners make.
class SimPlatform final : public Platform, private ScreenCapture, private Microphone {
public:
    explicit SimPlatform(SimScript script = {});
    ~SimPlatform() override;

    ScreenCapture& screenCapture() override { return *this; }
    Microphone& microphone() override { return *this; }

    // Every platform call so far, in order, e.g. "installTap(0, 4096)".
    std::vector<std::string> calls() const;

private:
    class SimStream;
    class SimEngine;
    friend class SimStream;
    friend class SimEngine;

    void getShareableContent(bool excludeDesktopWindows, bool onScreenWindowsOnly,
                             ShareableContentCompletion completion) override;
    std::shared_ptr<ContentFilter> makeContentFilter(const std::shared_ptr<Display>& display) override;
    std::shared_ptr<Stream> makeStream(std::shared_ptr<ContentFilter> filter,
                                       const StreamConfiguration& configuration,
                                       StreamDelegate* delegate) override;
    std::shared_ptr<SerialQueue> makeSerialQueue(const std::string& label) override;
    void requestAccess(std::function<void(bool)> completion) override;
    std::shared_ptr<AudioEngine> makeEngine() override;

    void record(std::string call);
    // Runs `task` on a platform thread, as completion handlers arrive.
    void onPlatformThread(std::function<void()> task);

    SimScript script_;
    mutable std::mutex mutex_;
    std::vector<std::string> calls_;
    std::vector<std::thread> platformThreads_;
};

}  // namespace tallwick::testing
