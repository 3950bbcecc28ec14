#pragma once

#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "Awaiting.h"
#include "platform/ScreenCapture.h"
#include "platform/pulse/PulsePlatform.h"
#include "platform/pulse/PulseStream.h"

namespace tallwick::testing {

// Stands where the system-audio runner would: collects what a stream delivers.
class SystemCapture final : public StreamOutput, public StreamDelegate {
public:
    struct Arrival {
        std::chrono::steady_clock::time_point at;
        std::size_t frames;
    };

    void didOutputSampleBuffer(Stream& stream, const SampleBuffer& buffer,
                               StreamOutputType type) override;
    void didStopWithError(Stream& stream, const PlatformError& error) override;

    // Starts capturing the first display into this object; the error text
    // when that fails.
    std::optional<std::string> start(PulsePlatform& platform);

    // Waits until at least `frames` more frames than now have arrived.
    bool awaitMoreFrames(std::size_t frames, std::chrono::milliseconds timeout);

    std::vector<Arrival> arrivals();
    bool sawOnlyExpectedLayout();
    bool stopped();

    PulseStream& stream() { return *stream_; }

private:
    Signal signal_;
    std::vector<Arrival> arrivals_;
    std::size_t frames_ = 0;
    bool unexpectedLayout_ = false;
    bool stopped_ = false;
    std::shared_ptr<PulseStream> stream_;
};

}  // namespace tallwick::testing
