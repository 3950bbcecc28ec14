#include "platform/apple/ScreenCaptureKitCapture.h"

#import <CoreGraphics/CoreGraphics.h>
#import <ScreenCaptureKit/ScreenCaptureKit.h>

#include <utility>

#include "platform/apple/DispatchSerialQueue.h"
#include "platform/apple/NSErrorText.h"
#include "platform/apple/ScreenCaptureKitContent.h"
#include "platform/apple/ScreenCaptureKitStream.h"

namespace tallwick {

void ScreenCaptureKitCapture::getShareableContent(bool excludeDesktopWindows,
                                                  bool onScreenWindowsOnly,
                                                  ShareableContentCompletion completion) {
    // A process without an application bundle has no window-server connection
    // until something asks for one, and ScreenCaptureKit may then stop on a
    // window-server assertion: ask for the main display first.
    (void)CGMainDisplayID();
    auto done = std::make_shared<ShareableContentCompletion>(std::move(completion));
    [SCShareableContent
        getShareableContentExcludingDesktopWindows:excludeDesktopWindows ? YES : NO
                               onScreenWindowsOnly:onScreenWindowsOnly ? YES : NO
                                 completionHandler:^(SCShareableContent* content, NSError* error) {
                                   if (content == nil || error != nil) {
                                       (*done)(nullptr, platformErrorFrom(error));
                                       return;
                                   }
                                   (*done)(std::make_shared<ScreenCaptureKitShareableContent>(
                                               content),
                                           std::nullopt);
                                 }];
}

std::shared_ptr<ContentFilter> ScreenCaptureKitCapture::makeContentFilter(
    const std::shared_ptr<Display>& display) {
    auto* ours = dynamic_cast<ScreenCaptureKitDisplay*>(display.get());
    if (ours == nullptr) {
        throw PlatformError("The display to capture is not one ScreenCaptureKit listed.");
    }
    SCContentFilter* filter = [[SCContentFilter alloc] initWithDisplay:ours->display()
                                                      excludingWindows:@[]];
    return std::make_shared<ScreenCaptureKitContentFilter>(filter);
}

std::shared_ptr<Stream> ScreenCaptureKitCapture::makeStream(
    std::shared_ptr<ContentFilter> filter, const StreamConfiguration& configuration,
    StreamDelegate* delegate) {
    auto* ours = dynamic_cast<ScreenCaptureKitContentFilter*>(filter.get());
    if (ours == nullptr) {
        throw PlatformError("The content filter is not one ScreenCaptureKit made.");
    }
    SCStreamConfiguration* platformConfiguration = [[SCStreamConfiguration alloc] init];
    platformConfiguration.capturesAudio = configuration.capturesAudio ? YES : NO;
    platformConfiguration.excludesCurrentProcessAudio =
        configuration.excludesCurrentProcessAudio ? YES : NO;
    platformConfiguration.sampleRate = configuration.sampleRate;
    platformConfiguration.channelCount = configuration.channelCount;
    return std::make_shared<ScreenCaptureKitStream>(ours->filter(), platformConfiguration,
                                                    delegate);
}

std::shared_ptr<SerialQueue> ScreenCaptureKitCapture::makeSerialQueue(const std::string& label) {
    return std::make_shared<DispatchSerialQueue>(label);
}

}  // namespace tallwick
