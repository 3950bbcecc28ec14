#include "ChildProcess.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <map>
#include <stdexcept>
#include <thread>
#include <utility>

extern char** environ;

namespace tallwick::testing {

namespace {

std::vector<std::string> mergedEnvironment(const std::vector<std::string>& extra) {
    std::map<std::string, std::string> entries;
    auto add = [&](const std::string& entry) {
        const auto equals = entry.find('=');
        if (equals == std::string::npos) {
            entries.erase(entry);
        } else {
            entries[entry.substr(0, equals)] = entry;
        }
    };
    for (char** entry = environ; *entry; ++entry) {
        add(*entry);
    }
    for (const auto& entry : extra) {
        add(entry);
    }
    std::vector<std::string> merged;
    for (auto& [name, entry] : entries) {
        merged.push_back(entry);
    }
    return merged;
}

std::vector<char*> pointers(std::vector<std::string>& strings) {
    std::vector<char*> result;
    for (auto& s : strings) {
        result.push_back(s.data());
    }
    result.push_back(nullptr);
    return result;
}

}  // namespace

ChildProcess::ChildProcess(const Options& options) {
    std::vector<std::string> arguments = options.arguments;
    std::vector<std::string> environment = mergedEnvironment(options.environment);
    auto argv = pointers(arguments);
    auto envp = pointers(environment);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    int pipeEnds[2] = {-1, -1};
    if (options.readStandardOutput) {
        if (::pipe2(pipeEnds, O_CLOEXEC) != 0) {
            throw std::runtime_error("pipe failed");
        }
        posix_spawn_file_actions_adddup2(&actions, pipeEnds[1], STDOUT_FILENO);
    } else {
        posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    }
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    const std::string errors =
        options.standardErrorFile.empty() ? "/dev/null" : options.standardErrorFile;
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, errors.c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0644);

    // The child starts with default signal handling, whatever the test runner set.
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    sigset_t defaults;
    sigemptyset(&defaults);
    sigaddset(&defaults, SIGPIPE);
    posix_spawnattr_setsigdefault(&attributes, &defaults);
    sigset_t none;
    sigemptyset(&none);
    posix_spawnattr_setsigmask(&attributes, &none);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSIGMASK);

    const int failed =
        ::posix_spawnp(&pid_, argv[0], &actions, &attributes, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);
    if (options.readStandardOutput) {
        ::close(pipeEnds[1]);
        stdout_ = pipeEnds[0];
    }
    if (failed != 0) {
        pid_ = -1;
        throw std::runtime_error("cannot start " + arguments[0] + ": " + std::strerror(failed));
    }
}

ChildProcess::Options ChildProcess::reading(std::vector<std::string> arguments,
                                           std::vector<std::string> environment) {
    Options options;
    options.arguments = std::move(arguments);
    options.environment = std::move(environment);
    options.readStandardOutput = true;
    return options;
}

ChildProcess::~ChildProcess() {
    if (!status_ && pid_ > 0) {
        ::kill(pid_, SIGKILL);
        int status = 0;
        ::waitpid(pid_, &status, 0);
    }
    closeStandardOutput();
}

std::optional<int> ChildProcess::waitFor(std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!status_) {
        int status = 0;
        const pid_t done = ::waitpid(pid_, &status, WNOHANG);
        if (done == pid_) {
            status_ = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
            break;
        }
        if (std::chrono::steady_clock::now() >= deadline) {
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return status_;
}

void ChildProcess::kill(int signal) {
    if (!status_) {
        ::kill(pid_, signal);
    }
}

std::optional<std::string> ChildProcess::readLine(std::chrono::steady_clock::time_point deadline,
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
        if (ended_ || stdout_ < 0) {
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
        if (left.count() <= 0) {
            return std::nullopt;
        }
        pollfd entry{stdout_, POLLIN, 0};
        const int ready = ::poll(&entry, 1, static_cast<int>(left.count()));
        if (ready < 0 && errno == EINTR) {
            continue;
        }
        if (ready <= 0) {
            return std::nullopt;
        }
        char chunk[65536];
        const ssize_t got = ::read(stdout_, chunk, sizeof chunk);
        if (got > 0) {
            pending_.append(chunk, static_cast<std::size_t>(got));
        } else if (got == 0 || errno != EINTR) {
            ended_ = true;
        }
    }
}

void ChildProcess::closeStandardOutput() {
    if (stdout_ >= 0) {
        ::close(stdout_);
        stdout_ = -1;
    }
}

Finished runToEnd(const std::vector<std::string>& arguments,
                  const std::vector<std::string>& environment, std::chrono::milliseconds timeout) {
    ChildProcess child(ChildProcess::reading(arguments, environment));
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    std::string output;
    bool unterminated = false;
    while (auto line = child.readLine(deadline, &unterminated)) {
        output += *line;
        if (!unterminated) {
            output += '\n';
        }
    }
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    const auto status = child.waitFor(std::max(left, std::chrono::milliseconds(0)));
    if (!status) {
        throw std::runtime_error(arguments[0] + " did not finish in time");
    }
    return {*status, output};
}

}  // namespace tallwick::testing
