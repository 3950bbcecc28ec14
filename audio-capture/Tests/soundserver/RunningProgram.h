#pragma once

#include <chrono>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "ChildProcess.h"

namespace tallwick::testing {

// A program run by a test, on the inspector's own child process: its standard
// output on a pipe to us, in a process group of its own that is killed and
// reaped when the object goes.
class RunningProgram {
  public:
    // `environment`: NAME=value entries added to (or replacing those of) this
    // process's environment; a NAME alone removes that variable. Its standard
    // error goes to `errorFile`, or to ours when that is empty.
    explicit RunningProgram(const std::vector<std::string>& arguments,
                            const std::vector<std::string>& environment = {},
                            const std::string& errorFile = "");

    pid_t pid() const { return child_->pid(); }
    // Its exit status (128 + the signal for a killed one) once it has ended
    // within `timeout`; none while it still runs.
    std::optional<int> waitFor(std::chrono::milliseconds timeout);
    void kill(int signal) { child_->signal(signal); }

    // The next line of its standard output, without the line feed; none when
    // the deadline passes first or the output ends. A last line without a line
    // feed is returned with `unterminated` set.
    std::optional<std::string> readLine(std::chrono::steady_clock::time_point deadline,
                                        bool* unterminated = nullptr);
    // Closes our end of its standard output, as a reader that went away would.
    void closeStandardOutput() { child_->closeOutput(); }

  private:
    std::unique_ptr<listen::ChildProcess> child_;
    std::string pending_;
    bool ended_ = false;
};

// Runs a program to its end; returns its exit status and standard output.
struct Finished {
    int status;
    std::string output;
};
Finished runToEnd(const std::vector<std::string>& arguments,
                  const std::vector<std::string>& environment = {},
                  std::chrono::milliseconds timeout = std::chrono::seconds(20));

}  // namespace tallwick::testing
