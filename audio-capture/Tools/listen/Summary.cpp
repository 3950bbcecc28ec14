#include "Summary.h"

#include <algorithm>
#include <cstdio>

#include "LineQuote.h"

namespace tallwick::listen {

namespace {

constexpr std::size_t sparklineColumns = 60;
constexpr std::size_t quotedBytes = 120;
constexpr double framesPerSecond = 16000.0;

std::string seconds(std::uint64_t frames) {
    char text[32];
    std::snprintf(text, sizeof text, "%.3f s", static_cast<double>(frames) / framesPerSecond);
    return text;
}

std::string fixed(double value, int decimals) {
    char text[32];
    std::snprintf(text, sizeof text, "%.*f", decimals, value);
    return text;
}

std::string plural(std::size_t count, const std::string& one, const std::string& many) {
    return std::to_string(count) + " " + (count == 1 ? one : many);
}

void row(std::string& out, const std::string& label, const std::string& text) {
    std::string padded = label;
    padded.resize(15, ' ');
    out += padded + text + "\n";
}

void continuation(std::string& out, const std::string& text) {
    out += std::string(15, ' ') + text + "\n";
}

void describeEvents(std::string& out, const StreamTally& tally) {
    std::string text = plural(tally.lines, "line", "lines") + ":";
    const char* separator = " ";
    for (EventType type : allEventTypes) {
        text += separator + std::to_string(tally.count(type)) + " " + std::string(nameOf(type));
        separator = ", ";
    }
    row(out, "events", text);
}

void describeInvalid(std::string& out, const StreamTally& tally) {
    if (tally.invalidLines == 0) {
        row(out, "invalid lines", "0");
        return;
    }
    std::string text = std::to_string(tally.invalidLines);
    if (tally.invalidLines > tally.firstInvalid.size()) {
        text += " (the first " + std::to_string(tally.firstInvalid.size()) + " below)";
    }
    row(out, "invalid lines", text);
    for (const LineOutcome& line : tally.firstInvalid) {
        continuation(out, "line " + std::to_string(line.lineNumber) + ": " +
                              printable(line.problem, quotedBytes * 2));
        continuation(out, "  > " + printable(line.excerpt, quotedBytes));
    }
}

void describeLevels(std::string& out, const StreamInspection& inspection) {
    const LevelTimeline& levels = inspection.levels();
    if (levels.count() == 0) {
        row(out, "level", "no readings");
        return;
    }
    const std::uint64_t frames = inspection.tally().frames;
    std::string sparkline = "|";
    sparkline.append(levels.sparkline(frames, sparklineColumns))
        .append("| 0 to ")
        .append(seconds(frames));
    row(out, "level", sparkline);
    continuation(out, plural(levels.count(), "reading", "readings") + ", peak " +
                          fixed(levels.peak(), 4));
}

void describeSilence(std::string& out, const SilenceRuns& silence) {
    if (silence.count() == 0) {
        row(out, "silence", "no run of exact digital silence >= 100 ms");
        return;
    }
    row(out, "silence",
        plural(silence.count(), "run", "runs") + " of exact digital silence >= 100 ms, " +
            seconds(silence.totalFrames()) + " in all");
    for (const SilenceRuns::Run& run : silence.first()) {
        continuation(out, "from " + seconds(run.startFrame) + " for " + seconds(run.frames));
    }
    if (silence.count() > silence.first().size()) {
        continuation(out, "…");
    }
}

void describeGaps(std::string& out, const ArrivalGaps& gaps) {
    if (gaps.count() == 0) {
        row(out, "arrival gaps", "none");
        return;
    }
    row(out, "arrival gaps",
        plural(gaps.count(), "audio event", "audio events") +
            " >= 250 ms later than their audio accounts for, longest " +
            std::to_string(gaps.longest().count()) + " ms");
    for (const ArrivalGaps::Gap& gap : gaps.first()) {
        continuation(out, "line " + std::to_string(gap.lineNumber) + " (audio at " +
                              seconds(gap.audioFrame) + "): " +
                              std::to_string(gap.excess.count()) + " ms late");
    }
    if (gaps.count() > gaps.first().size()) {
        continuation(out, "…");
    }
}

void describeMessages(std::string& out, const StreamTally& tally) {
    if (tally.messages.empty()) {
        return;
    }
    bool first = true;
    for (const LineOutcome& line : tally.messages) {
        std::string type(nameOf(line.event->type));
        type.resize(6, ' ');
        std::string number = "line " + std::to_string(line.lineNumber);
        number.resize(std::max<std::size_t>(number.size(), 11), ' ');
        const std::string text = number + type +
                                 quoteLine(line.event->message, quotedBytes);
        if (first) {
            row(out, "messages", text);
            first = false;
        } else {
            continuation(out, text);
        }
    }
    if (tally.messagesLeftOut > 0) {
        continuation(out, "… and " + std::to_string(tally.messagesLeftOut) + " more");
    }
}

void describeNotes(std::string& out, const StreamTally& tally) {
    bool first = true;
    for (const LineOutcome& line : tally.notes) {
        const std::string text = "line " + std::to_string(line.lineNumber) + ": " + line.note;
        if (first) {
            row(out, "notes", text);
            first = false;
        } else {
            continuation(out, text);
        }
    }
}

}  // namespace

std::string formatSummary(const StreamInspection& inspection, const WavWriter* wav,
                          const std::optional<ToolOutcome>& tool) {
    const StreamTally& tally = inspection.tally();
    std::string out = "tallwick-audio-listen summary\n";
    row(out, "captured audio",
        seconds(tally.frames) + " (" + std::to_string(tally.frames) + " frames at 16 kHz)");
    describeEvents(out, tally);
    describeInvalid(out, tally);
    describeLevels(out, inspection);
    describeSilence(out, inspection.silence());
    describeGaps(out, inspection.arrivalGaps());
    describeMessages(out, tally);
    describeNotes(out, tally);
    if (wav != nullptr) {
        std::string text = wav->path() + ", " + seconds(wav->dataBytes() / 2) + " of audio";
        if (!wav->error().empty()) {
            text += "; INCOMPLETE: " + wav->error();
        }
        row(out, "wav file", text);
    }
    if (tool) {
        row(out, "tool", tool->description);
    }
    std::string verdict = tally.invalidLines == 0 ? "valid event stream" : "INVALID event stream";
    if (tool && tool->failed) {
        verdict += "; the tool failed";
    }
    if (wav != nullptr && !wav->error().empty()) {
        verdict += "; the WAV file is incomplete";
    }
    row(out, "result", verdict);
    return out;
}

}  // namespace tallwick::listen
