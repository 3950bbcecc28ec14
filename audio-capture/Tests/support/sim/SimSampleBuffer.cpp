#include "support/sim/SimSampleBuffer.h"

#include <cmath>
#include <cstring>
#include <numbers>

namespace tallwick::testing {

namespace {
constexpr int copyFailed = -12731;  // any nonzero status will do
}

SimSampleBuffer::SimSampleBuffer(std::optional<StreamDescription> description, std::int64_t frames,
                                 std::vector<std::vector<std::byte>> regions,
                                 bool hasFormatDescription)
    : description_(description),
      frames_(frames),
      regions_(std::move(regions)),
      hasFormatDescription_(hasFormatDescription) {}

std::shared_ptr<SimSampleBuffer> SimSampleBuffer::tone(double sampleRate, std::uint32_t channels,
                                                       std::uint32_t frames, double frequency,
                                                       float amplitude) {
    std::vector<float> samples;
    for (std::uint32_t i = 0; i < frames; ++i) {
        const auto value = static_cast<float>(
            amplitude * std::sin(2 * std::numbers::pi * frequency * i / sampleRate));
        samples.insert(samples.end(), channels, value);
    }
    std::vector<std::byte> bytes(samples.size() * sizeof(float));
    std::memcpy(bytes.data(), samples.data(), bytes.size());
    StreamDescription description;
    description.sampleRate = sampleRate;
    description.channelsPerFrame = channels;
    description.sampleType = SampleType::floatingPoint;
    description.bitsPerChannel = 32;
    description.interleaved = true;
    return std::make_shared<SimSampleBuffer>(description, frames,
                                             std::vector<std::vector<std::byte>>{std::move(bytes)});
}

std::optional<StreamDescription> SimSampleBuffer::streamDescription() const {
    return hasFormatDescription_ ? description_ : std::nullopt;
}

int SimSampleBuffer::copyPCMData(std::int32_t frameOffset, std::int32_t frameCount,
                                 AudioBufferList& destination) const {
    if (!description_ || frameOffset < 0 || frameCount < 0 ||
        destination.size() != regions_.size() || frameOffset + std::int64_t{frameCount} > frames_) {
        return copyFailed;
    }
    const std::size_t bytesPerFrame = std::size_t{description_->bitsPerChannel / 8} *
                                      (description_->interleaved ? description_->channelsPerFrame : 1);
    for (std::size_t r = 0; r < regions_.size(); ++r) {
        const std::size_t offset = bytesPerFrame * static_cast<std::size_t>(frameOffset);
        const std::size_t length = bytesPerFrame * static_cast<std::size_t>(frameCount);
        if (offset + length > regions_[r].size() || length > destination[r].dataByteSize) {
            return copyFailed;
        }
        std::memcpy(destination[r].data, regions_[r].data() + offset, length);
        destination[r].dataByteSize = static_cast<std::uint32_t>(length);
    }
    return 0;
}

}  // namespace tallwick::testing
