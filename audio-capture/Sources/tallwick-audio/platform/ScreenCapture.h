#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "PlatformError.h"
#include "platform/SampleBuffer.h"
#include "platform/SerialQueue.h"

namespace tallwick {

// Something whose sound can be captured: a screen on macOS, an output device
// (sink) on Linux.
class Display {
public:
    virtual ~Display() = default;
    virtual std::string name() const = 0;
};

class ShareableContent {
public:
    virtual ~ShareableContent() = default;
    // In the platform's order; may be empty.
    virtual const std::vector<std::shared_ptr<Display>>& displays() const = 0;
};

// What a stream captures: one display, with no windows left out.
class ContentFilter {
public:
    virtual ~ContentFilter() = default;
};

struct StreamConfiguration {
    bool capturesAudio = false;
    bool excludesCurrentProcessAudio = false;
    int sampleRate = 48000;
    int channelCount = 2;
};

enum class StreamOutputType { screen = 0, audio = 1 };

class Stream;

class StreamOutput {
public:
    virtual ~StreamOutput() = default;
    virtual void didOutputSampleBuffer(Stream& stream, const SampleBuffer& sampleBuffer,
                                       StreamOutputType type) = 0;
};

class StreamDelegate {
public:
    virtual ~StreamDelegate() = default;
    virtual void didStopWithError(Stream& stream, const PlatformError& error) = 0;
};

class Stream {
public:
    virtual ~Stream() = default;
    // Output callbacks arrive on `queue`, one at a time, once capture runs.
    // Returns false with `error` filled when the output cannot be added.
    virtual bool addStreamOutput(StreamOutput& output, StreamOutputType type,
                                 std::shared_ptr<SerialQueue> queue,
                                 std::optional<PlatformError>& error) = 0;
    // The completion runs once, on a platform thread: no error when capture has
    // started, the error that prevented it otherwise.
    virtual void startCapture(std::function<void(std::optional<PlatformError>)> completion) = 0;
    // The handler is called on the output's queue, in order with the buffers,
    // with a line about the capture that does not end it: audio lost on the
    // way, the device suspended or resumed. What becomes of it is the
    // caller's business; a platform with nothing to say keeps this default.
    virtual void onNotice(std::function<void(const std::string& notice)>) {}
};

using ShareableContentCompletion =
    std::function<void(std::shared_ptr<ShareableContent>, std::optional<PlatformError>)>;

class ScreenCapture {
public:
    virtual ~ScreenCapture() = default;
    // The completion runs once, on a platform thread, with the content or the
    // error (a refused permission among them).
    virtual void getShareableContent(bool excludeDesktopWindows, bool onScreenWindowsOnly,
                                     ShareableContentCompletion completion) = 0;
    virtual std::shared_ptr<ContentFilter> makeContentFilter(
        const std::shared_ptr<Display>& display) = 0;
    // The delegate must outlive the stream's capture.
    virtual std::shared_ptr<Stream> makeStream(std::shared_ptr<ContentFilter> filter,
                                               const StreamConfiguration& configuration,
                                               StreamDelegate* delegate) = 0;
    virtual std::shared_ptr<SerialQueue> makeSerialQueue(const std::string& label) = 0;
};

}  // namespace tallwick
