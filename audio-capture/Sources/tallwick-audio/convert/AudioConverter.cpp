#include "convert/AudioConverter.h"

#include "convert/StreamingAudioConverter.h"

namespace tallwick {

namespace {

constexpr double lowestInputRate = 8000;
constexpr double highestInputRate = 384000;

bool isSupportedInput(const AudioFormat& format) {
    const bool knownSamples = format.commonFormat() != CommonFormat::other;
    const bool usableChannels =
        format.channelCount() >= 1 && format.channelCount() <= AudioFormat::maxChannels;
    const double rate = format.sampleRate();
    const bool usableRate = rate >= lowestInputRate && rate <= highestInputRate;
    return knownSamples && usableChannels && usableRate;
}

}  // namespace

std::unique_ptr<AudioConverter> AudioConverter::make(const AudioFormat& from,
                                                     const AudioFormat& to) {
    if (!(to == AudioFormat::outputPCM()) || !isSupportedInput(from)) {
        return nullptr;
    }
    return StreamingAudioConverter::make(from);
}

}  // namespace tallwick
