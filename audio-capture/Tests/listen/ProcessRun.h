#pragma once

#include <sys/types.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace tallwick::listen::testing {

struct Finished {
    bool signalled = false;
    int status = 0;  // exit status, or the signal
    std::string output;
};

// A program the test started, its standard output going to a file, in a
// process group of its own as a shell would start it.
class ProcessRun {
public:
    ProcessRun(const std::vector<std::string>& command, const std::optional<std::string>& stdinPath);
    ~ProcessRun();
    ProcessRun(const ProcessRun&) = delete;
    ProcessRun& operator=(const ProcessRun&) = delete;

    void signal(int signalNumber) const;
    // Its whole process group, as Ctrl-C on a terminal does.
    void signalGroup(int signalNumber) const;
    // Waits for the program to end, at most `timeoutSeconds`, then kills it.
    Finished finish(double timeoutSeconds = 60);

private:
    pid_t pid_ = -1;
    std::string outputPath_;
};

// Waits until `condition` holds, checking every 10 ms, at most `timeoutSeconds`.
bool eventually(const std::function<bool()>& condition, double timeoutSeconds = 20);

std::string readFile(const std::string& path);
std::string temporaryPath(const std::string& stem);

}  // namespace tallwick::listen::testing
