#include "RunningProgram.h"

#include <poll.h>
#include <unistd.h>

#include <cerrno>
#include <map>
#include <stdexcept>
#include <thread>
#include <utility>

namespace tallwick::testing {

RunningProgram::RunningProgram(const std::vector<std::string>& arguments,
                               const std::vector<std::string>& environment,
                               const std::string& errorFile) {
    // The last entry for a name wins; env(1) takes its removals first.
    std::map<std::string, std::optional<std::string>> changes;
    for (const auto& entry : environment) {
        const auto equals = entry.find('=');
        changes[entry.substr(0, equals)] =
            equals == std::string::npos ? std::nullopt : std::optional(entry);
    }
    std::vector<std::string> command{"env"};
    for (const auto& [name, entry] : changes) {
        if (entry) {
            command.push_back(*entry);
        } else {
            command.insert(command.begin() + 1, {"-u", name});
        }
    }
    if (!errorFile.empty()) {
        command.insert(command.end(), {"sh", "-c", "exec \"$@\" 2>\"$0\"", errorFile});
    }
    command.insert(command.end(), arguments.begin(), arguments.end());
    std::string error;
    child_ = listen::ChildProcess::spawn(command, error);
    if (!child_) {
        throw std::runtime_error(error);
    }
}

std::optional<int> RunningProgram::waitFor(std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!child_->poll() && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    const auto& exit = child_->exit();
    return exit ? std::optional<int>(exit->value + (exit->signalled ? 128 : 0)) : std::nullopt;
}

std::optional<std::string> RunningProgram::readLine(std::chrono::steady_clock::time_point deadline,
                                                    bool* unterminated) {
    if (unterminated) {
        *unterminated = false;
    }
    for (;;) {
        const auto newline = pending_.find('\n');
        if (newline != std::string::npos) {
            std::string line = pending_.substr(0, newline);
            pending_.erase(0, newline + 1);
            return line;
        }
        if (ended_ || child_->output() < 0) {
            if (pending_.empty()) {
                return std::nullopt;
            }
            if (unterminated) {
                *unterminated = true;
            }
            return std::exchange(pending_, std::string{});
        }
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        pollfd entry{child_->output(), POLLIN, 0};
        const int ready = left.count() <= 0 ? 0 : ::poll(&entry, 1, static_cast<int>(left.count()));
        if (ready < 0 && errno == EINTR) {
            continue;
        }
        if (ready <= 0) {
            return std::nullopt;
        }
        char chunk[65536];
        const ssize_t got = ::read(child_->output(), chunk, sizeof chunk);
        if (got > 0) {
            pending_.append(chunk, static_cast<std::size_t>(got));
        } else if (got == 0 || errno != EINTR) {
            ended_ = true;
        }
    }
}

Finished runToEnd(const std::vector<std::string>& arguments,
                  const std::vector<std::string>& environment, std::chrono::milliseconds timeout) {
    RunningProgram program(arguments, environment);
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    Finished finished{-1, ""};
    bool unterminated = false;
    while (auto line = program.readLine(deadline, &unterminated)) {
        finished.output += *line + (unterminated ? "" : "\n");
    }
    const auto status = program.waitFor(std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now()));
    if (!status) {
        throw std::runtime_error(arguments[0] + " did not finish in time");
    }
    finished.status = *status;
    return finished;
}

}  // namespace tallwick::testing
