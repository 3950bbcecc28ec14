#include "convert/ChannelMixdown.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <type_traits>

namespace tallwick {

namespace {

template <typename Sample>
Sample load(const std::byte* at) {
    // The regions are raw bytes from a platform copy: memcpy needs neither
    // alignment nor a Sample object living there.
    Sample value;
    std::memcpy(&value, at, sizeof value);
    return value;
}

template <typename Sample>
float safeFloat(Sample sample) {
    if constexpr (std::is_floating_point_v<Sample>) {
        if (std::isnan(sample)) {
            return 0.0f;
        }
        return static_cast<float>(std::clamp<Sample>(sample, -maxInputMagnitude, maxInputMagnitude));
    } else {
        return static_cast<float>(sample);
    }
}

template <typename Sample>
constexpr float scaleToFullScale() {
    if constexpr (std::is_same_v<Sample, std::int16_t>) {
        return 1.0f / 32768.0f;
    } else if constexpr (std::is_same_v<Sample, std::int32_t>) {
        return 1.0f / 2147483648.0f;
    } else {
        return 1.0f;
    }
}

bool holdsFrames(const PCMBuffer& buffer, std::size_t bytesPerSample) {
    const AudioFormat& format = buffer.format();
    const AudioBufferList& list = buffer.audioBufferList();
    const std::uint32_t channels = format.channelCount();
    const std::size_t regions = format.isInterleaved() ? 1 : channels;
    const std::uint32_t channelsPerRegion = format.isInterleaved() ? channels : 1;
    const std::uint64_t bytesNeeded =
        std::uint64_t{buffer.frameLength()} * channelsPerRegion * bytesPerSample;
    if (list.size() != regions) {
        return false;
    }
    return std::all_of(list.begin(), list.end(), [&](const AudioBuffer& region) {
        return region.numberChannels == channelsPerRegion && region.dataByteSize >= bytesNeeded &&
               (region.data != nullptr || bytesNeeded == 0);
    });
}

template <typename Sample>
bool mix(const PCMBuffer& buffer, float* mono) {
    if (!holdsFrames(buffer, sizeof(Sample))) {
        return false;
    }
    const AudioFormat& format = buffer.format();
    const AudioBufferList& list = buffer.audioBufferList();
    const std::uint32_t frames = buffer.frameLength();
    const std::uint32_t channels = format.channelCount();
    const float scale = scaleToFullScale<Sample>() / static_cast<float>(channels);

    std::fill_n(mono, frames, 0.0f);
    for (std::uint32_t c = 0; c < channels; ++c) {
        const auto* region = static_cast<const std::byte*>(list[format.isInterleaved() ? 0 : c].data);
        const std::size_t first = format.isInterleaved() ? c : 0;
        const std::size_t stride = format.isInterleaved() ? channels : 1;
        for (std::uint32_t i = 0; i < frames; ++i) {
            mono[i] += safeFloat(load<Sample>(region + (first + i * stride) * sizeof(Sample)));
        }
    }
    for (std::uint32_t i = 0; i < frames; ++i) {
        mono[i] *= scale;
    }
    return true;
}

}  // namespace

bool mixDownToMono(const PCMBuffer& buffer, float* mono) {
    switch (buffer.format().commonFormat()) {
        case CommonFormat::float32:
            return mix<float>(buffer, mono);
        case CommonFormat::float64:
            return mix<double>(buffer, mono);
        case CommonFormat::int16:
            return mix<std::int16_t>(buffer, mono);
        case CommonFormat::int32:
            return mix<std::int32_t>(buffer, mono);
        case CommonFormat::other:
            break;
    }
    return false;
}

}  // namespace tallwick
