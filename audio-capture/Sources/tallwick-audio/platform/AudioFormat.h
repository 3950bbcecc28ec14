#pragma once

#include <cstdint>
#include <optional>

namespace tallwick {

enum class SampleType { signedInteger, floatingPoint };

// How a capture backend describes the samples it delivers.
struct StreamDescription {
    double sampleRate = 0;
    std::uint32_t channelsPerFrame = 0;
    SampleType sampleType = SampleType::floatingPoint;
    std::uint32_t bitsPerChannel = 0;
    bool interleaved = true;
    bool bigEndian = false;

    friend bool operator==(const StreamDescription&, const StreamDescription&) = default;
};

// The layouts the tool knows by name; every other one is `other`.
enum class CommonFormat : unsigned { other = 0, float32 = 1, float64 = 2, int16 = 3, int32 = 4 };

// A PCM format: a value, equal to any other format that describes the same stream.
class AudioFormat {
public:
    static constexpr std::uint32_t maxChannels = 32;

    // None for descriptions no stream can have: a sample rate that is not a
    // finite positive number, no channels or more than maxChannels, or a
    // sample width that is not a whole number of bytes between 1 and 8.
    static std::optional<AudioFormat> fromStreamDescription(const StreamDescription& description);

    AudioFormat(CommonFormat format, double sampleRate, std::uint32_t channels, bool interleaved);

    // 16000 Hz, one channel, signed 16-bit, interleaved, little-endian.
    static AudioFormat outputPCM();

    double sampleRate() const { return description_.sampleRate; }
    std::uint32_t channelCount() const { return description_.channelsPerFrame; }
    CommonFormat commonFormat() const { return commonFormat_; }
    bool isInterleaved() const { return description_.interleaved; }
    const StreamDescription& streamDescription() const { return description_; }
    std::uint32_t bytesPerSample() const { return description_.bitsPerChannel / 8; }

    friend bool operator==(const AudioFormat& a, const AudioFormat& b) {
        return a.description_ == b.description_;
    }

private:
    explicit AudioFormat(const StreamDescription& description);

    StreamDescription description_;
    CommonFormat commonFormat_;
};

}  // namespace tallwick
