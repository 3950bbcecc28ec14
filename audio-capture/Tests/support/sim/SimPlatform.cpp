#include "support/sim/SimPlatform.h"

#include <utility>

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

    bool addStreamOutput(StreamOutput& output, StreamOutputType type,
                         std::shared_ptr<SerialQueue> queue,
                         std::optional<PlatformError>& error) override {
        platform_.record(type == StreamOutputType::audio ? "addStreamOutput(audio)"
                                                         : "addStreamOutput(screen)");
        if (platform_.script_.addOutputError) {
            error = platform_.script_.addOutputError;
            return false;
        }
        std::lock_guard lock(mutex_);
        output_ = &output;
        queue_ = std::move(queue);
        return true;
    }

    void startCapture(std::function<void(std::optional<PlatformError>)> completion) override {
        platform_.record("startCapture");
        platform_.onPlatformThread([self = shared_from_this(), completion] {
            const SimScript& script = self->platform_.script_;
            if (script.stopBeforeStartCompletes) {
                self->delegate_->didStopWithError(*self, *script.stopBeforeStartCompletes);
            }
            if (script.startError) {
                completion(script.startError);
                return;
            }
            self->platform_.markCapturing();
            completion(std::nullopt);
        });
    }

    void deliver(std::shared_ptr<const SampleBuffer> buffer, StreamOutputType type) {
        onQueue([self = shared_from_this(), buffer, type] {
            self->output_->didOutputSampleBuffer(*self, *buffer, type);
        });
    }

    void stop(const PlatformError& error) {
        onQueue([self = shared_from_this(), error] { self->delegate_->didStopWithError(*self, error); });
    }

    // Nothing runs before an output was added.
    void onQueue(std::function<void()> task) {
        std::lock_guard lock(mutex_);
        if (queue_) queue_->async(std::move(task));
    }

private:
    SimPlatform& platform_;
    StreamDelegate* delegate_;
    std::mutex mutex_;
    StreamOutput* output_ = nullptr;
    std::shared_ptr<SerialQueue> queue_;
};

class SimPlatform::SimEngine final : public AudioEngine, public InputNode {
public:
    explicit SimEngine(SimPlatform& platform) : platform_(platform) {}

    InputNode& inputNode() override { return *this; }

    AudioFormat outputFormatForBus(int bus) override {
        platform_.record("outputFormatForBus(" + std::to_string(bus) + ")");
        return platform_.script_.microphoneFormat;
    }

    void installTap(int bus, std::uint32_t bufferSize, const AudioFormat&, TapBlock block) override {
        platform_.record("installTap(" + std::to_string(bus) + ", " + std::to_string(bufferSize) + ")");
        std::lock_guard lock(mutex_);
        block_ = std::move(block);
    }

    void removeTap(int bus) override {
        platform_.record("removeTap(" + std::to_string(bus) + ")");
        std::lock_guard lock(mutex_);
        block_ = nullptr;
    }

    bool start(std::optional<PlatformError>& error) override {
        platform_.record("start");
        if (const auto& lost = platform_.script_.engineStopWhileStarting) {
            std::function<void(const PlatformError&)> stopped;
            {
                std::lock_guard lock(mutex_);
                stopped = stopped_;
            }
            if (stopped) stopped(*lost);
        }
        if (platform_.script_.engineStartError) {
            error = platform_.script_.engineStartError;
            return false;
        }
        platform_.markCapturing();
        return true;
    }

    void stop() override { platform_.record("stop"); }

    void onStoppedWithError(std::function<void(const PlatformError&)> handler) override {
        std::lock_guard lock(mutex_);
        stopped_ = std::move(handler);
    }

    // Both run on the engine's queue, one at a time.
    void tap(const PCMBuffer& buffer) {
        TapBlock block;
        {
            std::lock_guard lock(mutex_);
            block = block_;
        }
        if (block) block(buffer);
    }
    void lose(const PlatformError& error) {
        std::function<void(const PlatformError&)> stopped;
        {
            std::lock_guard lock(mutex_);
            stopped = std::exchange(stopped_, nullptr);
        }
        if (stopped) stopped(error);
    }

private:
    SimPlatform& platform_;
    std::mutex mutex_;
    TapBlock block_;
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

void SimPlatform::markCapturing() {
    {
        std::lock_guard lock(mutex_);
        capturing_ = true;
    }
    capturingChanged_.notify_all();
}

void SimPlatform::waitUntilCapturing() {
    std::unique_lock lock(mutex_);
    capturingChanged_.wait(lock, [this] { return capturing_; });
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
    auto stream = std::make_shared<SimStream>(*this, delegate);
    std::lock_guard lock(mutex_);
    stream_ = stream;
    return stream;
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
    auto engine = std::make_shared<SimEngine>(*this);
    std::lock_guard lock(mutex_);
    engine_ = engine;
    return engine;
}

void SimPlatform::deliver(std::shared_ptr<const SampleBuffer> buffer, StreamOutputType type) {
    std::unique_lock lock(mutex_);
    if (auto stream = stream_.lock()) {
        lock.unlock();
        stream->deliver(std::move(buffer), type);
    }
}

void SimPlatform::stopStream(const PlatformError& error) {
    std::unique_lock lock(mutex_);
    if (auto stream = stream_.lock()) {
        lock.unlock();
        stream->stop(error);
    }
}

void SimPlatform::tap(std::shared_ptr<const PCMBuffer> buffer) {
    std::unique_lock lock(mutex_);
    if (auto engine = engine_.lock()) {
        lock.unlock();
        engineQueue_->async([engine, buffer] { engine->tap(*buffer); });
    }
}

void SimPlatform::loseMicrophone(const PlatformError& error) {
    std::unique_lock lock(mutex_);
    if (auto engine = engine_.lock()) {
        lock.unlock();
        engineQueue_->async([engine, error] { engine->lose(error); });
    }
}

}  // namespace tallwick::testing

namespace tallwick {

// Test executables link the simulated platform as their host.
std::shared_ptr<Platform> hostPlatform() { return std::make_shared<testing::SimPlatform>(); }

}  // namespace tallwick
