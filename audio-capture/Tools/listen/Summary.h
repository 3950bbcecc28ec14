#pragma once

#include <optional>
#include <string>

#include "StreamInspection.h"
#include "WavWriter.h"

namespace tallwick::listen {

// How the tool's process ended, when the inspector ran it.
struct ToolOutcome {
    std::string description;
    // Exited with a non-zero status, was killed by a signal the inspector did
    // not pass on, or could not be started.
    bool failed = false;
};

// The report printed at the end: duration, events by type, invalid lines with
// the first few quoted, the level over time, silence and arrival gaps, the
// tool's own messages, the WAV file and how the tool ended.
std::string formatSummary(const StreamInspection& inspection, const WavWriter* wav,
                          const std::optional<ToolOutcome>& tool);

}  // namespace tallwick::listen
