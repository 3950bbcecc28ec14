#pragma once

#include <memory>

#include "CaptureRunner.h"
#include "capture/OneShotLatch.h"
#include "capture/StopReport.h"
#include "convert/PCMConverter.h"
#include "platform/Platform.h"

namespace tallwick {

// Captures what the system plays, from the first display the platform lists,
// until the platform stops the stream.
class SystemCaptureRunner final : public CaptureRunner, private StreamOutput, private StreamDelegate {
public:
    SystemCaptureRunner();
    explicit SystemCaptureRunner(std::shared_ptr<Platform> platform);
    ~SystemCaptureRunner() override;

    void run() override;

private:
    void didOutputSampleBuffer(Stream& stream, const SampleBuffer& sampleBuffer,
                               StreamOutputType type) override;
    void didStopWithError(Stream& stream, const PlatformError& error) override;
    void finish();

    std::shared_ptr<Platform> platform_;
    std::shared_ptr<Stream> stream;
    PCMConverter converter;
    OneShotLatch keepAlive;
    StopReport stopReport;
};

}  // namespace tallwick
