#include "convert/PCMConverter.h"

#include <limits>
#include <string>

#include "convert/ChunkCapacity.h"
#include "convert/OneShotInput.h"
#include "convert/SampleRateText.h"
#include "events/EventStream.h"

namespace tallwick {

namespace {

std::string formatLogText(const AudioFormat& format) {
    return "Input audio: " + sampleRateText(format.sampleRate()) + " Hz, " +
           std::to_string(format.channelCount()) + " ch, " +
           std::to_string(static_cast<unsigned>(format.commonFormat()));
}

std::vector<std::uint8_t> littleEndianBytes(const std::int16_t* samples, std::uint32_t count) {
    std::vector<std::uint8_t> bytes(std::size_t{count} * 2);
    for (std::uint32_t i = 0; i < count; ++i) {
        const auto sample = static_cast<std::uint16_t>(samples[i]);
        bytes[2 * i] = static_cast<std::uint8_t>(sample & 0xFF);
        bytes[2 * i + 1] = static_cast<std::uint8_t>(sample >> 8);
    }
    return bytes;
}

// `kept` with the capacity `frames`, as PCMBuffer::make would give it; made
// anew when it is missing or of another format.
PCMBuffer* reuse(std::unique_ptr<PCMBuffer>& kept, const AudioFormat& format, std::uint32_t frames) {
    if (kept && kept->format() == format && kept->remake(frames)) {
        return kept.get();
    }
    kept = PCMBuffer::make(format, frames);
    return kept.get();
}

}  // namespace

PCMConverter::PCMConverter() : outputFormat_(AudioFormat::outputPCM()) {}

std::optional<std::vector<std::uint8_t>> PCMConverter::convert(const SampleBuffer& sampleBuffer) {
    if (!sampleBuffer.hasFormatDescription()) {
        return std::nullopt;
    }
    const std::optional<StreamDescription> description = sampleBuffer.streamDescription();
    if (!description) {
        return std::nullopt;
    }
    const std::optional<AudioFormat> format = AudioFormat::fromStreamDescription(*description);
    if (!format) {
        return std::nullopt;
    }

    if (!loggedFormat_) {
        loggedFormat_ = true;
        emit("log", std::nullopt, formatLogText(*format));
    }

    if (!converter_ || !inputFormat_ || !(*inputFormat_ == *format)) {
        inputFormat_ = *format;
        converter_ = AudioConverter::make(*format, outputFormat_);
    }
    if (!converter_) {
        return std::nullopt;
    }

    // Frames are handed to the platform copy as a signed 32-bit count.
    const std::int64_t frames = sampleBuffer.numSamples();
    if (frames < 1 || frames > std::numeric_limits<std::int32_t>::max()) {
        return std::nullopt;
    }

    PCMBuffer* const input = reuse(input_, *format, static_cast<std::uint32_t>(frames));
    if (!input) {
        return std::nullopt;
    }
    input->setFrameLength(static_cast<std::uint32_t>(frames));
    if (sampleBuffer.copyPCMData(0, static_cast<std::int32_t>(frames),
                                 input->mutableAudioBufferList()) != 0) {
        return std::nullopt;
    }

    const std::optional<std::uint32_t> capacity = chunkFrameCapacity(frames, format->sampleRate());
    if (!capacity) {
        return std::nullopt;
    }
    PCMBuffer* const output = reuse(output_, outputFormat_, *capacity);
    if (!output) {
        return std::nullopt;
    }

    std::optional<PlatformError> error;
    converter_->convert(*output, error, oneShotInput(*input));
    if (error || output->frameLength() == 0) {
        return std::nullopt;
    }
    std::int16_t* const* channels = output->int16ChannelData();
    if (channels == nullptr) {
        return std::nullopt;
    }
    return littleEndianBytes(channels[0], output->frameLength());
}

}  // namespace tallwick
