#include "capture/MicrophoneTap.h"

#include <cmath>

#include "convert/OneShotInput.h"
#include "events/EventStream.h"
#include "events/LevelMeter.h"

namespace tallwick {

MicrophoneTap::MicrophoneTap(AudioFormat outputFormat, AudioFormat inputFormat,
                             std::shared_ptr<AudioConverter> converter)
    : outputFormat_(outputFormat), inputFormat_(inputFormat), converter_(std::move(converter)) {}

std::uint32_t MicrophoneTap::outputCapacity(std::uint32_t frameLength, double outputRate,
                                            double inputRate) {
    const double frames = std::ceil(static_cast<double>(frameLength) * outputRate / inputRate);
    constexpr double limit = 4294967296.0 - 64.0;
    if (!(frames >= 0 && frames < limit)) {
        return 0;
    }
    return static_cast<std::uint32_t>(frames) + 64;
}

void MicrophoneTap::operator()(const PCMBuffer& buffer) const {
    const std::uint32_t capacity =
        outputCapacity(buffer.frameLength(), outputFormat_.sampleRate(), inputFormat_.sampleRate());
    const auto output = capacity == 0 ? nullptr : PCMBuffer::make(outputFormat_, capacity);
    if (!output) {
        return;
    }
    std::optional<PlatformError> error;
    converter_->convert(*output, error, oneShotInput(buffer));
    if (error || output->frameLength() == 0 || output->int16ChannelData() == nullptr) {
        return;
    }
    const auto* samples = reinterpret_cast<const std::uint8_t*>(output->int16ChannelData()[0]);
    const std::span<const std::uint8_t> chunk(samples, std::size_t{output->frameLength()} * 2);
    emitLevel(chunk);
    emitAudio(chunk);
}

}  // namespace tallwick
