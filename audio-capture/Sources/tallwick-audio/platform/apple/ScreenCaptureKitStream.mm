#include "platform/apple/ScreenCaptureKitStream.h"

#include <memory>
#include <utility>

#include "platform/apple/DispatchSerialQueue.h"
#include "platform/apple/NSErrorText.h"

namespace tallwick {

ScreenCaptureKitStream::ScreenCaptureKitStream(SCContentFilter* filter,
                                               SCStreamConfiguration* configuration,
                                               StreamDelegate* delegate)
    : forwarder_([[TallwickStreamForwarder alloc] initWithStream:this delegate:delegate]),
      stream_([[SCStream alloc] initWithFilter:filter
                                 configuration:configuration
                                      delegate:forwarder_]) {}

ScreenCaptureKitStream::~ScreenCaptureKitStream() {
    if ([forwarder_ detach]) {
        [stream_ stopCaptureWithCompletionHandler:nil];
    }
}

bool ScreenCaptureKitStream::addStreamOutput(StreamOutput& output, StreamOutputType type,
                                             std::shared_ptr<SerialQueue> queue,
                                             std::optional<PlatformError>& error) {
    auto* dispatchQueue = dynamic_cast<DispatchSerialQueue*>(queue.get());
    if (dispatchQueue == nullptr) {
        error = PlatformError("Sample buffers can only be delivered on a dispatch queue.");
        return false;
    }
    [forwarder_ setOutput:&output forType:type];
    const SCStreamOutputType platformType =
        type == StreamOutputType::audio ? SCStreamOutputTypeAudio : SCStreamOutputTypeScreen;
    NSError* failure = nil;
    if (![stream_ addStreamOutput:forwarder_
                             type:platformType
               sampleHandlerQueue:dispatchQueue->queue()
                            error:&failure]) {
        [forwarder_ setOutput:nullptr forType:type];
        error = platformErrorFrom(failure);
        return false;
    }
    return true;
}

void ScreenCaptureKitStream::startCapture(
    std::function<void(std::optional<PlatformError>)> completion) {
    TallwickStreamForwarder* forwarder = forwarder_;
    auto done = std::make_shared<std::function<void(std::optional<PlatformError>)>>(
        std::move(completion));
    [stream_ startCaptureWithCompletionHandler:^(NSError* failure) {
      if (failure != nil) {
          (*done)(platformErrorFrom(failure));
          return;
      }
      [forwarder captureDidStart];
      (*done)(std::nullopt);
    }];
}

}  // namespace tallwick
