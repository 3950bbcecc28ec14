#pragma once

#import <AVFAudio/AVFAudio.h>

#include <memory>

#include "platform/PCMBuffer.h"

namespace tallwick {

// A framework buffer's valid frames seen as our PCMBuffer, over the same
// samples (no copy). Valid only while `buffer` lives. None when its format has
// no layout we can read.
std::unique_ptr<PCMBuffer> pcmBufferOver(AVAudioPCMBuffer* buffer);

}  // namespace tallwick
