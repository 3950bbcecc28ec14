#include "support/FakeSampleBuffer.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

namespace tallwick::testing {

namespace {

template <typename Sample>
void put(std::vector<std::byte>& region, Sample value) {
    const auto at = region.size();
    region.resize(at + sizeof value);
    std::memcpy(region.data() + at, &value, sizeof value);
}

template <typename Integer>
Integer toInteger(double sample, double fullScale) {
    const double scaled = std::nearbyint(sample * fullScale);
    return std::isnan(scaled) ? 0
                              : static_cast<Integer>(std::clamp(scaled, -fullScale, fullScale - 1));
}

// A double beyond the float range has no float value to convert to; capture
// would deliver an infinity for it.
float toFloat(double sample) {
    const float inf = std::numeric_limits<float>::infinity();
    return std::fabs(sample) > std::numeric_limits<float>::max() ? (sample < 0 ? -inf : inf)
                                                                 : static_cast<float>(sample);
}

void encode(std::vector<std::byte>& region, CommonFormat format, double sample) {
    if (format == CommonFormat::float32)
        put(region, toFloat(sample));
    if (format == CommonFormat::float64)
        put(region, sample);
    if (format == CommonFormat::int16)
        put(region, toInteger<std::int16_t>(sample, 32768.0));
    if (format == CommonFormat::int32)
        put(region, toInteger<std::int32_t>(sample, 2147483648.0));
}

}  // namespace

FakeSampleBuffer FakeSampleBuffer::of(const AudioFormat& format,
                                      const std::vector<std::vector<double>>& channels) {
    const std::size_t frames = channels.empty() ? 0 : channels[0].size();
    std::vector<std::vector<std::byte>> regions(format.isInterleaved() ? 1 : channels.size());
    for (std::size_t i = 0; i < frames; ++i) {
        for (std::size_t c = 0; c < channels.size(); ++c) {
            encode(regions[format.isInterleaved() ? 0 : c], format.commonFormat(), channels[c][i]);
        }
    }
    return FakeSampleBuffer(format.streamDescription(), static_cast<std::int64_t>(frames),
                            std::move(regions));
}

FakeSampleBuffer::FakeSampleBuffer(std::optional<StreamDescription> description,
                                   std::int64_t frames, std::vector<std::vector<std::byte>> regions)
    : description_(description), claimedFrames_(frames), regions_(std::move(regions)) {}

int FakeSampleBuffer::copyPCMData(std::int32_t frameOffset, std::int32_t frameCount,
                                  AudioBufferList& destination) const {
    if (!description_ || frameOffset < 0 || frameCount < 0 ||
        destination.size() != regions_.size()) {
        return copyFailed;
    }
    const std::size_t channelsPerRegion =
        description_->interleaved ? description_->channelsPerFrame : 1;
    const std::size_t bytesPerFrame = channelsPerRegion * description_->bitsPerChannel / 8;
    const std::size_t first = static_cast<std::size_t>(frameOffset) * bytesPerFrame;
    const std::size_t bytes = static_cast<std::size_t>(frameCount) * bytesPerFrame;
    for (std::size_t r = 0; r < regions_.size(); ++r) {
        if (first + bytes > regions_[r].size() || bytes > destination[r].dataByteSize ||
            destination[r].data == nullptr) {
            return copyFailed;
        }
    }
    for (std::size_t r = 0; r < regions_.size(); ++r) {
        std::memcpy(destination[r].data, regions_[r].data() + first, bytes);
        destination[r].dataByteSize = static_cast<std::uint32_t>(bytes);
    }
    return 0;
}

}  // namespace tallwick::testing
