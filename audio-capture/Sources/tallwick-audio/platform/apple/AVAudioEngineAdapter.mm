#include "platform/apple/AVAudioEngineAdapter.h"

#include <utility>

#include "platform/apple/NSErrorText.h"

namespace tallwick {

AVAudioEngineAdapter::AVAudioEngineAdapter()
    : engine_([[AVAudioEngine alloc] init]), end_(std::make_shared<CaptureEndReport>()) {
    std::shared_ptr<CaptureEndReport> end = end_;
    observer_ = [[NSNotificationCenter defaultCenter]
        addObserverForName:AVAudioEngineConfigurationChangeNotification
                    object:engine_
                     queue:nil
                usingBlock:^(NSNotification* notification) {
                  (void)notification;
                  end->ended(
                      PlatformError("The audio input device changed or was disconnected."));
                }];
}

AVAudioEngineAdapter::~AVAudioEngineAdapter() {
    [[NSNotificationCenter defaultCenter] removeObserver:observer_];
}

InputNode& AVAudioEngineAdapter::inputNode() {
    if (inputNode_ == nullptr) {
        // The engine makes its input node on first access, not before.
        inputNode_ = std::make_unique<AVAudioInputNodeAdapter>(engine_.inputNode);
    }
    return *inputNode_;
}

bool AVAudioEngineAdapter::start(std::optional<PlatformError>& error) {
    NSError* failure = nil;
    BOOL running = NO;
    end_->starting();
    @try {
        running = [engine_ startAndReturnError:&failure];
    } @catch (NSException* exception) {
        // The engine raises instead of failing when it has no input to run.
        end_->stopped();
        error = platformErrorFrom(exception);
        return false;
    }
    if (!running) {
        end_->stopped();
        error = platformErrorFrom(failure);
        return false;
    }
    end_->started();
    return true;
}

void AVAudioEngineAdapter::stop() {
    end_->stopped();
    [engine_ stop];
}

void AVAudioEngineAdapter::onStoppedWithError(
    std::function<void(const PlatformError&)> handler) {
    end_->setHandler(std::move(handler));
}

}  // namespace tallwick
