#pragma once

#include "convert/AudioConverter.h"

namespace tallwick {

// The input block of one conversion: hands over `buffer` on its first call and
// answers noDataNow ever after, never end of stream, so the converter keeps its
// state for the next buffer.
InputBlock oneShotInput(const PCMBuffer& buffer);

}  // namespace tallwick
