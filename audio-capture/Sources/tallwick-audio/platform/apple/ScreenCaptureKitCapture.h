#pragma once

#include "platform/ScreenCapture.h"

namespace tallwick {

// System audio through ScreenCaptureKit: the screen-recording permission is
// asked by the shareable-content request, and a display's stream carries the
// audio of every application.
class ScreenCaptureKitCapture final : public ScreenCapture {
public:
    void getShareableContent(bool excludeDesktopWindows, bool onScreenWindowsOnly,
                             ShareableContentCompletion completion) override;
    std::shared_ptr<ContentFilter> makeContentFilter(
        const std::shared_ptr<Display>& display) override;
    std::shared_ptr<Stream> makeStream(std::shared_ptr<ContentFilter> filter,
                                       const StreamConfiguration& configuration,
                                       StreamDelegate* delegate) override;
    std::shared_ptr<SerialQueue> makeSerialQueue(const std::string& label) override;
};

}  // namespace tallwick
