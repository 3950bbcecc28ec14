#include "platform/apple/StreamForwarder.h"

#include <array>
#include <mutex>
#include <optional>

#include "platform/apple/CoreMediaSampleBuffer.h"
#include "platform/apple/NSErrorText.h"

namespace {

std::optional<tallwick::StreamOutputType> outputTypeOf(SCStreamOutputType type) {
    switch (type) {
        case SCStreamOutputTypeScreen:
            return tallwick::StreamOutputType::screen;
        case SCStreamOutputTypeAudio:
            return tallwick::StreamOutputType::audio;
    }
    return std::nullopt;  // kinds of output added after our time
}

}  // namespace

@implementation TallwickStreamForwarder {
    // Held across every call into the C++ side, so that detaching waits for a
    // call in progress; sample and stop callbacks never run at the same time.
    std::mutex _mutex;
    tallwick::Stream* _stream;
    tallwick::StreamDelegate* _delegate;
    std::array<tallwick::StreamOutput*, 2> _outputs;
    BOOL _running;
}

- (instancetype)initWithStream:(tallwick::Stream*)stream
                      delegate:(tallwick::StreamDelegate*)delegate {
    self = [super init];
    if (self != nil) {
        _stream = stream;
        _delegate = delegate;
        _outputs = {nullptr, nullptr};
        _running = NO;
    }
    return self;
}

- (void)setOutput:(tallwick::StreamOutput*)output forType:(tallwick::StreamOutputType)type {
    std::lock_guard lock(_mutex);
    _outputs.at(static_cast<std::size_t>(type)) = output;
}

- (void)captureDidStart {
    std::lock_guard lock(_mutex);
    _running = YES;
}

- (BOOL)detach {
    std::lock_guard lock(_mutex);
    _stream = nullptr;
    _delegate = nullptr;
    _outputs = {nullptr, nullptr};
    return _running;
}

- (void)stream:(SCStream*)stream
    didOutputSampleBuffer:(CMSampleBufferRef)sampleBuffer
                   ofType:(SCStreamOutputType)type {
    (void)stream;
    const std::optional<tallwick::StreamOutputType> ourType = outputTypeOf(type);
    if (!ourType) {
        return;
    }
    @autoreleasepool {
        const tallwick::CoreMediaSampleBuffer buffer(sampleBuffer);
        std::lock_guard lock(_mutex);
        tallwick::StreamOutput* output = _outputs.at(static_cast<std::size_t>(*ourType));
        if (output == nullptr || _stream == nullptr) {
            return;
        }
        try {
            output->didOutputSampleBuffer(*_stream, buffer, *ourType);
        } catch (...) {
            // A buffer that cannot be handled is dropped; the capture goes on.
        }
    }
}

- (void)stream:(SCStream*)stream didStopWithError:(NSError*)error {
    (void)stream;
    const tallwick::PlatformError reason = tallwick::platformErrorFrom(error);
    std::lock_guard lock(_mutex);
    _running = NO;
    if (_delegate == nullptr || _stream == nullptr) {
        return;
    }
    try {
        _delegate->didStopWithError(*_stream, reason);
    } catch (...) {
        // Nothing can be reported from a framework thread but what the delegate writes.
    }
}

@end
