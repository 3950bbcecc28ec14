#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "RunningProgram.h"

namespace tallwick::testing {

// One event line of the tool, as a reader sees it.
struct Event {
    std::string type;
    std::vector<std::uint8_t> pcm;  // "audio" only
    std::optional<std::string> message;
    std::chrono::steady_clock::time_point arrivedAt;
    std::string line;
};

// The real tallwick_audio binary, run as the host application runs it: a
// child whose standard output is read line by line.
class ToolRun {
  public:
    ToolRun(std::vector<std::string> arguments, std::vector<std::string> environment);
    ~ToolRun();

    // Reads events until `until` holds for the events read so far, or the
    // deadline passes, or the output ends. Returns whether `until` held.
    bool readUntil(const std::function<bool(const std::vector<Event>&)>& until,
                   std::chrono::milliseconds timeout);
    // Reads until an event of `type` has come; false as readUntil.
    bool readUntilEvent(const std::string& type, std::chrono::milliseconds timeout);
    // Reads until the output ends (the tool exited) or the deadline passes.
    bool readToEnd(std::chrono::milliseconds timeout);

    const std::vector<Event>& events() const { return events_; }
    std::vector<std::string> types() const;
    // Every "audio" chunk so far, decoded, as floats at 16 kHz.
    std::vector<float> audio() const;
    // How many frames of audio have come so far.
    std::size_t audioFrames() const { return audioBytes_ / 2; }

    std::optional<int> exitStatus(std::chrono::milliseconds timeout);
    // The processor time it has used so far.
    std::chrono::duration<double> processorTime() const;
    void terminate();
    void closeStandardOutput();
    // What the tool wrote to standard error.
    std::string standardError() const;
    // Lines that were not one well-formed event (as the inspector judges
    // them), each with what is wrong.
    const std::vector<std::string>& malformed() const { return malformed_; }

  private:
    // Reads one line; false when the deadline passes first or the output ends.
    bool readOne(std::chrono::steady_clock::time_point deadline);

    std::string errorFile_;
    std::unique_ptr<RunningProgram> process_;
    std::vector<Event> events_;
    std::vector<std::string> malformed_;
    std::size_t audioBytes_ = 0;
};

// The position of the first event of `type` (with `message`, when given), or
// the number of events when there is none.
std::size_t indexOf(const std::vector<Event>& events, const std::string& type,
                    const std::optional<std::string>& message = std::nullopt);

inline bool hasEvent(const std::vector<Event>& events, const std::string& type,
                     const std::optional<std::string>& message = std::nullopt) {
    return indexOf(events, type, message) < events.size();
}

}  // namespace tallwick::testing
