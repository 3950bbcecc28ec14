#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "LineSplitter.h"

namespace tallwick::listen {

enum class EventType { log, ready, audio, level, error };

inline constexpr EventType allEventTypes[] = {EventType::log, EventType::ready, EventType::audio,
                                              EventType::level, EventType::error};

std::string_view nameOf(EventType type);

struct Event {
    EventType type = EventType::log;
    std::string message;            // every type but "audio"
    std::vector<std::uint8_t> pcm;  // "audio": 16 kHz mono s16le, even and non-empty
    double level = 0.0;             // "level": 0 to 1
};

struct EventCheck {
    std::optional<Event> event;  // set when the line is a valid event on its own
    std::string problem;         // why not, otherwise
    // The "type" the line claims, when it parsed far enough to say, valid or not.
    std::optional<std::string> claimedType;
};

// Checks one line (without its line feed) against the event grammar: a JSON
// object of string members, "type" always, no keys but type/data/message, a
// known type, "audio" with only valid base64 PCM data, every other type with
// only a message, and a "level" message of the form 0.0000 to 1.0000.
EventCheck checkEventLine(std::string_view line);

// What became of one line of the stream.
struct LineOutcome {
    std::size_t lineNumber = 0;
    std::optional<Event> event;  // valid lines
    std::string problem;         // invalid lines
    std::string excerpt;         // the start of an invalid line, raw bytes, for quoting
    std::string note;            // valid, but worth telling
};

// The whole-stream rules on top of the per-line ones: lines are numbered from
// 1; a "level" is valid only directly before an "audio" (it measures that
// chunk), so its outcome waits for the next line; the stream ends with a line
// feed.
class EventValidator {
public:
    static constexpr std::size_t excerptLength = 200;

    // Each returns the outcomes this line settled, in line order: the waiting
    // "level" before it, if any, then the line itself unless it is a "level".
    std::vector<LineOutcome> line(std::string_view text);
    // A line that outgrew the reader's limit; `head` is its start.
    std::vector<LineOutcome> oversizeLine(std::size_t length, std::string_view head);
    // `unterminated` is what followed the last line feed, if anything did: an
    // invalid line, since a reader cannot tell a whole event from a cut one.
    // `stoppedFromOutside`: the writer was stopped on purpose, so a "level"
    // whose "audio" never came is a cut, not a fault of the writer.
    std::vector<LineOutcome> end(const std::optional<UnterminatedLine>& unterminated,
                                 bool stoppedFromOutside);

private:
    // Settles the waiting "level", given the type claimed by the line after it.
    void settlePendingLevel(std::vector<LineOutcome>& out,
                            const std::optional<std::string>& nextType);
    LineOutcome invalid(std::size_t lineNumber, std::string problem, std::string_view text) const;

    std::size_t lineCount_ = 0;
    std::optional<LineOutcome> pendingLevel_;
};

}  // namespace tallwick::listen
