#pragma once

#include "platform/PCMBuffer.h"

namespace tallwick {

// Writes the average of all channels of the first frameLength() frames of
// `buffer` to `mono` (room for frameLength() samples), full scale 1.0. Float
// samples are made safe for the resampler first: NaN becomes silence, and
// magnitudes are limited to maxInputMagnitude.
//
// False when the buffer is not float32, float64, int16 or int32, or when its
// buffer list does not hold those frames in its format's layout: the list
// travels through platform copy routines, and a short region must never be
// read past its end.
bool mixDownToMono(const PCMBuffer& buffer, float* mono);

// Far above full scale, so real overs reach the final clip untouched, yet small
// enough that the resampler's sums of such samples stay finite.
inline constexpr float maxInputMagnitude = 16.0f;

}  // namespace tallwick
