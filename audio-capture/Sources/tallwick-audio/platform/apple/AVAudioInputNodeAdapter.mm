#include "platform/apple/AVAudioInputNodeAdapter.h"

#include <memory>
#include <optional>
#include <string>
#include <utility>

#include "platform/apple/AVAudioPCMBufferView.h"
#include "platform/apple/NSErrorText.h"
#include "platform/apple/StreamBasicDescription.h"

namespace tallwick {

namespace {

AudioFormat unreadableFormat() { return AudioFormat(CommonFormat::other, 0.0, 0, true); }

}  // namespace

AudioFormat AVAudioInputNodeAdapter::outputFormatForBus(int bus) {
    const std::optional<AudioFormat> format =
        audioFormatOf([node_ outputFormatForBus:static_cast<AVAudioNodeBus>(bus)]);
    return format ? *format : unreadableFormat();
}

void AVAudioInputNodeAdapter::installTap(int bus, std::uint32_t bufferSize,
                                         const AudioFormat& format, TapBlock block) {
    const auto platformBus = static_cast<AVAudioNodeBus>(bus);
    // The node's own format object keeps its channel layout; one rebuilt from
    // our description would not, and the tap must match the device exactly.
    AVAudioFormat* tapFormat = [node_ outputFormatForBus:platformBus];
    if (audioFormatOf(tapFormat) != format) {
        tapFormat = avAudioFormatOf(format);
        if (tapFormat == nil) {
            throw PlatformError("The microphone cannot deliver the requested audio format.");
        }
    }
    auto tap = std::make_shared<TapBlock>(std::move(block));
    std::optional<PlatformError> refused;
    @try {
        [node_ installTapOnBus:platformBus
                    bufferSize:bufferSize
                        format:tapFormat
                         block:^(AVAudioPCMBuffer* buffer, AVAudioTime* when) {
                           (void)when;
                           @autoreleasepool {
                               const std::unique_ptr<PCMBuffer> view = pcmBufferOver(buffer);
                               if (view == nullptr) {
                                   return;
                               }
                               try {
                                   (*tap)(*view);
                               } catch (...) {
                                   // A buffer that cannot be handled is dropped;
                                   // nothing may unwind into the engine.
                               }
                           }
                         }];
    } @catch (NSException* exception) {
        refused = platformErrorFrom(exception);
    }
    if (refused) {
        throw *refused;
    }
}

void AVAudioInputNodeAdapter::removeTap(int bus) {
    @try {
        [node_ removeTapOnBus:static_cast<AVAudioNodeBus>(bus)];
    } @catch (NSException* exception) {
        // Removing a tap that is not there leaves nothing to undo.
        (void)exception;
    }
}

}  // namespace tallwick
