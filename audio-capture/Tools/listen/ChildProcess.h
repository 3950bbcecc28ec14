#pragma once

#include <sys/types.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace tallwick::listen {

struct ChildExit {
    bool signalled = false;
    int value = 0;  // the exit status, or the signal that ended it

    std::string describe() const;
};

// A command started with its standard output on a pipe to us, in a process
// group of its own. Whatever happens, the child does not outlive this object:
// if it is still running when the object goes, its group is killed and it is
// reaped.
class ChildProcess {
public:
    // Searches PATH like a shell. Null, with `error` set, if it cannot start.
    static std::unique_ptr<ChildProcess> spawn(const std::vector<std::string>& command,
                                               std::string& error);
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    // The read end of the child's standard output; -1 once closed.
    int output() const { return output_; }
    void closeOutput();

    pid_t pid() const { return pid_; }
    bool running() const { return !exit_; }
    const std::optional<ChildExit>& exit() const { return exit_; }

    // Signals the child's process group. Does nothing once the child has been
    // reaped, so a recycled process id is never hit.
    void signal(int signalNumber);
    // Reaps the child if it has ended; never blocks.
    const std::optional<ChildExit>& poll();
    const ChildExit& wait();

private:
    ChildProcess(pid_t pid, int output) : pid_(pid), output_(output) {}
    void record(int status);

    pid_t pid_;
    int output_;
    std::optional<ChildExit> exit_;
};

}  // namespace tallwick::listen
