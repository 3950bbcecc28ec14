#include "platform/AudioFormat.h"

#include <bit>
#include <cmath>

namespace tallwick {

namespace {

CommonFormat commonFormatOf(const StreamDescription& d) {
    if (d.bigEndian != (std::endian::native == std::endian::big)) {
        return CommonFormat::other;
    }
    if (d.sampleType == SampleType::floatingPoint) {
        return d.bitsPerChannel == 32 ? CommonFormat::float32
               : d.bitsPerChannel == 64 ? CommonFormat::float64
                                        : CommonFormat::other;
    }
    return d.bitsPerChannel == 16 ? CommonFormat::int16
           : d.bitsPerChannel == 32 ? CommonFormat::int32
                                    : CommonFormat::other;
}

StreamDescription describe(CommonFormat format, double sampleRate, std::uint32_t channels,
                           bool interleaved) {
    StreamDescription d;
    d.sampleRate = sampleRate;
    d.channelsPerFrame = channels;
    d.interleaved = interleaved;
    d.bigEndian = std::endian::native == std::endian::big;
    switch (format) {
        case CommonFormat::float32:
            d.sampleType = SampleType::floatingPoint;
            d.bitsPerChannel = 32;
            break;
        case CommonFormat::float64:
            d.sampleType = SampleType::floatingPoint;
            d.bitsPerChannel = 64;
            break;
        case CommonFormat::int16:
            d.sampleType = SampleType::signedInteger;
            d.bitsPerChannel = 16;
            break;
        case CommonFormat::int32:
        case CommonFormat::other:
            d.sampleType = SampleType::signedInteger;
            d.bitsPerChannel = 32;
            break;
    }
    return d;
}

}  // namespace

AudioFormat::AudioFormat(const StreamDescription& description)
    : description_(description), commonFormat_(commonFormatOf(description)) {}

AudioFormat::AudioFormat(CommonFormat format, double sampleRate, std::uint32_t channels,
                         bool interleaved)
    : AudioFormat(describe(format, sampleRate, channels, interleaved)) {}

std::optional<AudioFormat> AudioFormat::fromStreamDescription(const StreamDescription& d) {
    const bool usableRate = std::isfinite(d.sampleRate) && d.sampleRate > 0;
    const bool usableChannels = d.channelsPerFrame >= 1 && d.channelsPerFrame <= maxChannels;
    const bool usableWidth =
        d.bitsPerChannel >= 8 && d.bitsPerChannel <= 64 && d.bitsPerChannel % 8 == 0;
    if (!usableRate || !usableChannels || !usableWidth) {
        return std::nullopt;
    }
    return AudioFormat(d);
}

AudioFormat AudioFormat::outputPCM() { return AudioFormat(CommonFormat::int16, 16000.0, 1, true); }

}  // namespace tallwick
