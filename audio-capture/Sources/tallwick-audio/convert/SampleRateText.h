#pragma once

#include <string>

namespace tallwick {

// A sample rate as the format lines write it: the shortest decimal that reads
// back as the same double, with ".0" for a whole number ("48000.0", "22050.5").
// Positional from 1e-4 up to 2^53, exponential ("1e+16") outside that range.
std::string sampleRateText(double hz);

}  // namespace tallwick
