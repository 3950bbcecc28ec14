#pragma once

#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "platform/Platform.h"
#include "platform/ThreadSerialQueue.h"

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
// It is its own stream and engine too, so it must be owned by a shared_ptr.
class SimPlatform final : public Platform,
                          public std::enable_shared_from_this<SimPlatform>,
                          private ScreenCapture,
                          private Microphone,
                          private Stream,
                          private AudioEngine,
                          private InputNode {
  public:
    explicit SimPlatform(SimScript script = {}) : script_(std::move(script)) {}
    ~SimPlatform() override {
        for (auto& thread : platformThreads_)
            thread.join();
    }

    ScreenCapture& screenCapture() override { return *this; }
    Microphone& microphone() override { return *this; }

    // Every platform call so far, in order, e.g. "installTap(0, 4096)".
    std::vector<std::string> calls() const {
        std::lock_guard lock(mutex_);
        return calls_;
    }

  private:
    void getShareableContent(bool excludeDesktopWindows, bool onScreenWindowsOnly,
                             ShareableContentCompletion completion) override;
    std::shared_ptr<ContentFilter> makeContentFilter(
        const std::shared_ptr<Display>& display) override {
        record("makeContentFilter(" + display->name() + ")");
        return std::make_shared<ContentFilter>();
    }
    std::shared_ptr<Stream> makeStream(std::shared_ptr<ContentFilter>, const StreamConfiguration& c,
                                       StreamDelegate* delegate) override {
        record("makeStream(capturesAudio=" + std::to_string(c.capturesAudio) +
               ", excludesCurrentProcessAudio=" + std::to_string(c.excludesCurrentProcessAudio) +
               ", sampleRate=" + std::to_string(c.sampleRate) +
               ", channelCount=" + std::to_string(c.channelCount) + ")");
        delegate_ = delegate;
        return std::shared_ptr<Stream>(shared_from_this(), this);
    }
    std::shared_ptr<SerialQueue> makeSerialQueue(const std::string& label) override {
        record("makeSerialQueue(" + label + ")");
        return std::make_shared<ThreadSerialQueue>(label);
    }
    bool addStreamOutput(StreamOutput&, StreamOutputType type, std::shared_ptr<SerialQueue>,
                         std::optional<PlatformError>& error) override {
        record(type == StreamOutputType::audio ? "addStreamOutput(audio)"
                                               : "addStreamOutput(screen)");
        error = script_.addOutputError;
        return !error;
    }
    void startCapture(std::function<void(std::optional<PlatformError>)> completion) override {
        record("startCapture");
        onPlatformThread([this, completion] {
            if (script_.stopBeforeStartCompletes) {
                delegate_->didStopWithError(*this, *script_.stopBeforeStartCompletes);
            }
            completion(script_.startError);
        });
    }

    void requestAccess(std::function<void(bool)> completion) override {
        record("requestAccess");
        onPlatformThread([granted = script_.microphoneAccess, completion] { completion(granted); });
    }
    std::shared_ptr<AudioEngine> makeEngine() override {
        record("makeEngine");
        return std::shared_ptr<AudioEngine>(shared_from_this(), this);
    }
    InputNode& inputNode() override { return *this; }
    AudioFormat outputFormatForBus(int bus) override {
        record("outputFormatForBus(" + std::to_string(bus) + ")");
        return script_.microphoneFormat;
    }
    void installTap(int bus, std::uint32_t bufferSize, const AudioFormat&, TapBlock) override {
        record("installTap(" + std::to_string(bus) + ", " + std::to_string(bufferSize) + ")");
    }
    void removeTap(int bus) override { record("removeTap(" + std::to_string(bus) + ")"); }
    bool start(std::optional<PlatformError>& error) override {
        record("start");
        if (script_.engineStopWhileStarting && stopped_)
            stopped_(*script_.engineStopWhileStarting);
        error = script_.engineStartError;
        return !error;
    }
    void stop() override { record("stop"); }
    void onStoppedWithError(std::function<void(const PlatformError&)> handler) override {
        stopped_ = std::move(handler);
    }

    void record(std::string call) {
        std::lock_guard lock(mutex_);
        calls_.push_back(std::move(call));
    }
    // Runs `task` on a platform thread, as completion handlers arrive.
    void onPlatformThread(std::function<void()> task) {
        std::lock_guard lock(mutex_);
        platformThreads_.emplace_back(std::move(task));
    }

    SimScript script_;
    StreamDelegate* delegate_ = nullptr;
    std::function<void(const PlatformError&)> stopped_;
    mutable std::mutex mutex_;
    std::vector<std::string> calls_;
    std::vector<std::thread> platformThreads_;
};

}  // namespace tallwick::testing
