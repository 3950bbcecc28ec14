#include "support/sim/SimPlatform.h"

#include <utility>

#include "platform/ThreadSerialQueue.h"

namespace tallwick::testing {

namespace {

class SimDisplay final : public Display {
public:
    explicit SimDisplay(std::string name) : name_(std::move(name)) {}
    std::string name() const override { return name_; }

private:
    std::string name_;
};

class SimContent final : public ShareableContent {
public:
    explicit SimContent(const std::vector<std::string>& names) {
        for (const auto& name : names) displays_.push_back(std::make_shared<SimDisplay>(name));
    }
    const std::vector<std::shared_ptr<Display>>& displays() const override { return displays_; }

private:
    std::vector<std::shared_ptr<Display>> displays_;
};

class SimFilter final : public ContentFilter {
public:
    explicit SimFilter(std::string display) : display(std::move(display)) {}
    std::string display;
};

}  // namespace

class SimPlatform::SimStream final : public Stream,
                                     public std::enable_shared_from_this<SimStream> {
public:
    SimStream(SimPlatform& platform, StreamDelegate* delegate)
        : platform_(platform), delegate_(delegate) {}

    bool addStreamOutput(StreamOutput&, StreamOutputType type, std::shared_ptr<SerialQueue>,
                         std::optional<PlatformError>& error) override {
        platform_.record(type == StreamOutputType::audio ? "addStreamOutput(audio)"
                                                         : "addStreamOutput(screen)");
        error = platform_.script_.addOutputError;
        return !error;
    }

    void startCapture(std::function<void(std::optional<PlatformError>)> completion) override {
        platform_.record("startCapture");
        platform_.onPlatformThread([self = shared_from_this(), completion] {
            const SimScript& script = self->platform_.script_;
            if (script.stopBeforeStartCompletes) {
                self->delegate_->didStopWithError(*self, *script.stopBeforeStartCompletes);
            }
            completion(script.startError);
        });
    }

private:
    SimPlatform& platform_;
    StreamDelegate* delegate_;
};

class SimPlatform::SimEngine final : public AudioEngine, public InputNode {
public:
    explicit SimEngine(SimPlatform& platform) : platform_(platform) {}

    InputNode& inputNode() override { return *this; }

    AudioFormat outputFormatForBus(int bus) override {
        platform_.record("outputFormatForBus(" + std::to_string(bus) + ")");
        return platform_.script_.microphoneFormat;
    }

    void installTap(int bus, std::uint32_t bufferSize, const AudioFormat&, TapBlock) override {
        platform_.record("installTap(" + std::to_string(bus) + ", " + std::to_string(bufferSize) + ")");
    }

    void removeTap(int bus) override { platform_.record("removeTap(" + std::to_string(bus) + ")"); }

    bool start(std::optional<PlatformError>& error) override {
        platform_.record("start");
        if (const auto& lost = platform_.script_.engineStopWhileStarting; lost && stopped_) {
            stopped_(*lost);
        }
        error = platform_.script_.engineStartError;
        return !error;
    }

    void stop() override { platform_.record("stop"); }

    void onStoppedWithError(std::function<void(const PlatformError&)> handler) override {
        stopped_ = std::move(handler);
    }

private:
    SimPlatform& platform_;
    std::function<void(const PlatformError&)> stopped_;
};

SimPlatform::SimPlatform(SimScript script) : script_(std::move(script)) {}

SimPlatform::~SimPlatform() {
    for (auto& thread : platformThreads_) thread.join();
}

std::vector<std::string> SimPlatform::calls() const {
    std::lock_guard lock(mutex_);
    return calls_;
}

void SimPlatform::record(std::string call) {
    std::lock_guard lock(mutex_);
    calls_.push_back(std::move(call));
}

void SimPlatform::onPlatformThread(std::function<void()> task) {
    std::lock_guard lock(mutex_);
    platformThreads_.emplace_back(std::move(task));
}

void SimPlatform::getShareableContent(bool excludeDesktopWindows, bool onScreenWindowsOnly,
                                      ShareableContentCompletion completion) {
    record("getShareableContent(excludeDesktopWindows=" + std::to_string(excludeDesktopWindows) +
           ", onScreenWindowsOnly=" + std::to_string(onScreenWindowsOnly) + ")");
    onPlatformThread([this, completion] {
        if (script_.contentError) {
            completion(nullptr, script_.contentError);
        } else {
            completion(std::make_shared<SimContent>(script_.displays), std::nullopt);
        }
    });
}

std::shared_ptr<ContentFilter> SimPlatform::makeContentFilter(const std::shared_ptr<Display>& display) {
    record("makeContentFilter(" + display->name() + ")");
    return std::make_shared<SimFilter>(display->name());
}

std::shared_ptr<Stream> SimPlatform::makeStream(std::shared_ptr<ContentFilter> filter,
                                                const StreamConfiguration& c,
                                                StreamDelegate* delegate) {
    record("makeStream(" + static_cast<SimFilter&>(*filter).display +
           ", capturesAudio=" + std::to_string(c.capturesAudio) +
           ", excludesCurrentProcessAudio=" + std::to_string(c.excludesCurrentProcessAudio) +
           ", sampleRate=" + std::to_string(c.sampleRate) +
           ", channelCount=" + std::to_string(c.channelCount) + ")");
    return std::make_shared<SimStream>(*this, delegate);
}

std::shared_ptr<SerialQueue> SimPlatform::makeSerialQueue(const std::string& label) {
    record("makeSerialQueue(" + label + ")");
    return std::make_shared<ThreadSerialQueue>(label);
}

void SimPlatform::requestAccess(std::function<void(bool)> completion) {
    record("requestAccess");
    onPlatformThread([granted = script_.microphoneAccess, completion] { completion(granted); });
}

std::shared_ptr<AudioEngine> SimPlatform::makeEngine() {
    record("makeEngine");
    return std::make_shared<SimEngine>(*this);
}

}  // namespace tallwick::testing

namespace tallwick {

// Test executables link the simulated platform as their host.
std::shared_ptr<Platform> hostPlatform() { return std::make_shared<testing::SimPlatform>(); }

}  // namespace tallwick
