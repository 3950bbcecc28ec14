#pragma once

#import <AVFAudio/AVFAudio.h>
#include <CoreAudioTypes/CoreAudioTypes.h>

#include <optional>

#include "platform/AudioFormat.h"

namespace tallwick {

// Our description of a Core Audio stream, for linear PCM that the converter can
// read as it is: signed-integer or floating-point samples, packed, one frame per
// packet. Anything else (compressed audio, unsigned or padded samples) has
// none, so that its bytes are never read as something they are not.
std::optional<StreamDescription> streamDescriptionOf(const AudioStreamBasicDescription& basic);

// The packed linear PCM stream basic description of ours.
AudioStreamBasicDescription basicDescriptionOf(const StreamDescription& description);

// Our format for a framework format, if it has a layout we can read.
std::optional<AudioFormat> audioFormatOf(AVAudioFormat* format);

// The framework format for ours, or nil when the framework has none for it.
AVAudioFormat* avAudioFormatOf(const AudioFormat& format);

}  // namespace tallwick
