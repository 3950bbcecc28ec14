#pragma once

#import <ScreenCaptureKit/ScreenCaptureKit.h>

#include "platform/ScreenCapture.h"
#include "platform/apple/StreamForwarder.h"

namespace tallwick {

// An SCStream. Releasing it detaches the C++ output and delegate first, so no
// late callback reaches an object that is gone, and stops a capture that is
// still running, so nothing is left capturing.
class ScreenCaptureKitStream final : public Stream {
public:
    ScreenCaptureKitStream(SCContentFilter* filter, SCStreamConfiguration* configuration,
                           StreamDelegate* delegate);
    ~ScreenCaptureKitStream() override;

    ScreenCaptureKitStream(const ScreenCaptureKitStream&) = delete;
    ScreenCaptureKitStream& operator=(const ScreenCaptureKitStream&) = delete;

    bool addStreamOutput(StreamOutput& output, StreamOutputType type,
                         std::shared_ptr<SerialQueue> queue,
                         std::optional<PlatformError>& error) override;
    void startCapture(std::function<void(std::optional<PlatformError>)> completion) override;

private:
    // The stream keeps its delegate weakly; this is what keeps the forwarder.
    TallwickStreamForwarder* forwarder_;
    SCStream* stream_;
};

}  // namespace tallwick
