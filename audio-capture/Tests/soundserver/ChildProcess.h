#pragma once

#include <sys/types.h>

#include <chrono>
#include <optional>
#include <string>
#include <vector>

namespace tallwick::testing {

// A program run by a test, reaped (and killed first if need be) when the object goes.
class ChildProcess {
public:
    struct Options {
        std::vector<std::string> arguments;  // the program first, found on PATH
        // NAME=value entries added to (or replacing those of) this process's
        // environment; a NAME alone removes that variable.
        std::vector<std::string> environment;
        bool readStandardOutput = false;
        // Where its standard error goes; /dev/null when empty.
        std::string standardErrorFile;
    };

    explicit ChildProcess(const Options& options);
    static Options reading(std::vector<std::string> arguments, std::vector<std::string> environment);
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    pid_t pid() const { return pid_; }

    // Its exit status (128 + the signal for a killed one) once it has ended
    // within `timeout`; none while it still runs.
    std::optional<int> waitFor(std::chrono::milliseconds timeout);
    void kill(int signal);

    // The next line of its standard output, without the line feed; none when
    // the deadline passes first or the output ends. A last line without a line
    // feed is returned with `unterminated` set.
    std::optional<std::string> readLine(std::chrono::steady_clock::time_point deadline,
                                        bool* unterminated = nullptr);
    // Closes our end of its standard output, as a reader that went away would.
    void closeStandardOutput();

private:
    pid_t pid_ = -1;
    int stdout_ = -1;
    std::string pending_;
    bool ended_ = false;
    std::optional<int> status_;
};

// Runs a program to its end; returns its exit status and standard output.
struct Finished {
    int status;
    std::string output;
};
Finished runToEnd(const std::vector<std::string>& arguments,
                  const std::vector<std::string>& environment,
                  std::chrono::milliseconds timeout = std::chrono::seconds(20));

}  // namespace tallwick::testing
