#pragma once

#import <ScreenCaptureKit/ScreenCaptureKit.h>

#include "platform/ScreenCapture.h"

// The one object that ScreenCaptureKit calls, as a stream's output and as its
// delegate. It hands each call on to the C++ side, until that side detaches.
@interface TallwickStreamForwarder : NSObject <SCStreamOutput, SCStreamDelegate>

- (instancetype)initWithStream:(tallwick::Stream*)stream
                      delegate:(tallwick::StreamDelegate*)delegate NS_DESIGNATED_INITIALIZER;
- (instancetype)init NS_UNAVAILABLE;

- (void)setOutput:(tallwick::StreamOutput*)output forType:(tallwick::StreamOutputType)type;

// Capture has started; it runs until the stream reports its stop.
- (void)captureDidStart;

// No call reaches the C++ side after this returns, and none is still in it.
// Returns whether capture was still running.
- (BOOL)detach;

@end
