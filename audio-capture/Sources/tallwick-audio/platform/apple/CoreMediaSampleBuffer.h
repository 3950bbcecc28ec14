#pragma once

#include <CoreMedia/CoreMedia.h>

#include <cstdint>
#include <optional>

#include "platform/SampleBuffer.h"

namespace tallwick {

// A CoreMedia sample buffer, held (retained) for as long as this object lives.
class CoreMediaSampleBuffer final : public SampleBuffer {
public:
    explicit CoreMediaSampleBuffer(CMSampleBufferRef buffer);
    ~CoreMediaSampleBuffer() override;

    CoreMediaSampleBuffer(const CoreMediaSampleBuffer&) = delete;
    CoreMediaSampleBuffer& operator=(const CoreMediaSampleBuffer&) = delete;

    bool hasFormatDescription() const override;
    std::optional<StreamDescription> streamDescription() const override;
    std::int64_t numSamples() const override;
    int copyPCMData(std::int32_t frameOffset, std::int32_t frameCount,
                    AudioBufferList& destination) const override;

private:
    const AudioStreamBasicDescription* basicDescription() const;

    CMSampleBufferRef buffer_;
};

}  // namespace tallwick
