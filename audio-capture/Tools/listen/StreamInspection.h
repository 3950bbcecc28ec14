#pragma once

#include <array>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string_view>
#include <vector>

#include "ArrivalGaps.h"
#include "EventValidator.h"
#include "LevelTimeline.h"
#include "LineSplitter.h"
#include "SilenceRuns.h"
#include "WavWriter.h"

namespace tallwick::listen {

// Running totals of a stream, kept small whatever its length.
struct StreamTally {
    static constexpr std::size_t keptInvalid = 5;
    static constexpr std::size_t keptMessages = 12;
    static constexpr std::size_t keptNotes = 5;

    std::size_t lines = 0;
    std::array<std::size_t, std::size(allEventTypes)> byType{};
    std::size_t invalidLines = 0;
    std::vector<LineOutcome> firstInvalid;
    std::vector<LineOutcome> messages;  // "log", "ready" and "error" events, the first few
    std::size_t messagesLeftOut = 0;
    std::vector<LineOutcome> notes;
    std::uint64_t frames = 0;  // 16 kHz frames of valid audio
    double lastLevel = 0.0;

    std::size_t count(EventType type) const { return byType[static_cast<std::size_t>(type)]; }
};

// Everything the inspector learns from one event stream: bytes go in as they
// are read, each at the instant the clock gives, and every line is checked,
// counted, and its audio written to the WAV file and scanned for gaps.
class StreamInspection {
public:
    using Clock = std::function<ArrivalGaps::Instant()>;
    using OutcomeHandler = std::function<void(const LineOutcome&, const StreamTally&)>;

    // `wav` may be null; it must outlive the inspection.
    StreamInspection(Clock now, WavWriter* wav);
    StreamInspection(const StreamInspection&) = delete;
    StreamInspection& operator=(const StreamInspection&) = delete;

    // Called for every settled line, for live display.
    void onOutcome(OutcomeHandler handler) { onOutcome_ = std::move(handler); }

    void feed(std::string_view bytes);
    // The input has ended; see EventValidator::end for `stoppedFromOutside`.
    void end(bool stoppedFromOutside);

    const StreamTally& tally() const { return tally_; }
    const SilenceRuns& silence() const { return silence_; }
    const ArrivalGaps& arrivalGaps() const { return gaps_; }
    const LevelTimeline& levels() const { return levels_; }

private:
    void take(std::vector<LineOutcome> outcomes);
    void take(LineOutcome& outcome);

    Clock now_;
    WavWriter* wav_;
    EventValidator validator_;
    LineSplitter splitter_;
    StreamTally tally_;
    SilenceRuns silence_;
    ArrivalGaps gaps_;
    LevelTimeline levels_;
    ArrivalGaps::Instant arrival_{};
    OutcomeHandler onOutcome_;
};

}  // namespace tallwick::listen
