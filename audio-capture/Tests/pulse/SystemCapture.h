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
    // Waits until the newest `window` frames carry `frequency` as most of
    // their energy.
    bool awaitTone(double frequency, std::chrono::milliseconds timeout,
                   std::size_t window = 3200);
    bool awaitStop(std::chrono::milliseconds timeout);

    std::vector<float> samples();
    std::vector<Arrival> arrivals();
    std::vector<std::string> stops();
    std::size_t buffersAfterStop();
    std::chrono::steady_clock::time_point stoppedAt();
    bool sawOnlyExpectedLayout();

    PulseStream& stream() { return *stream_; }
    void release() { stream_.reset(); }

private:
    Signal signal_;
    std::vector<float> samples_;
    std::vector<Arrival> arrivals_;
    std::vector<std::string> stops_;
    std::size_t buffersAfterStop_ = 0;
    std::chrono::steady_clock::time_point stoppedAt_;
    bool unexpectedLayout_ = false;
    std::shared_ptr<PulseStream> stream_;
};

}  // namespace tallwick::testing
