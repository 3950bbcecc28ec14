#include "ProcessRun.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <thread>

extern char** environ;

namespace tallwick::listen::testing {

std::string temporaryPath(const std::string& stem) {
    std::string pattern = "/tmp/tallwick-listen-" + stem + "-XXXXXX";
    const int fd = ::mkstemp(pattern.data());
    if (fd < 0) std::abort();
    ::close(fd);
    return pattern;
}

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

bool eventually(const std::function<bool()>& condition, double timeoutSeconds) {
    const auto deadline = std::chrono::steady_clock::now() +
                          std::chrono::duration<double>(timeoutSeconds);
    while (!condition()) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return true;
}

ProcessRun::ProcessRun(const std::vector<std::string>& command,
                       const std::optional<std::string>& stdinPath)
    : outputPath_(temporaryPath("out")) {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO,
                                     stdinPath ? stdinPath->c_str() : "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, outputPath_.c_str(),
                                     O_WRONLY | O_TRUNC, 0);
    std::vector<char*> argv;
    for (const auto& argument : command) argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    posix_spawnattr_setpgroup(&attributes, 0);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP);
    if (::posix_spawn(&pid_, argv[0], &actions, &attributes, argv.data(), environ) != 0) {
        pid_ = -1;
    }
    posix_spawnattr_destroy(&attributes);
    posix_spawn_file_actions_destroy(&actions);
}

ProcessRun::~ProcessRun() {
    if (pid_ > 0) {
        ::kill(pid_, SIGKILL);
        ::waitpid(pid_, nullptr, 0);
    }
    ::unlink(outputPath_.c_str());
}

void ProcessRun::signal(int signalNumber) const {
    if (pid_ > 0) ::kill(pid_, signalNumber);
}

void ProcessRun::signalGroup(int signalNumber) const {
    if (pid_ > 0) ::kill(-pid_, signalNumber);
}

Finished ProcessRun::finish(double timeoutSeconds) {
    Finished finished;
    if (pid_ <= 0) {
        finished.status = -1;
        return finished;
    }
    int status = 0;
    const bool ended = eventually(
        [&] { return ::waitpid(pid_, &status, WNOHANG) == pid_; }, timeoutSeconds);
    if (!ended) {
        ::kill(pid_, SIGKILL);
        ::waitpid(pid_, &status, 0);
        finished.output = "(killed after the time-out) ";
    }
    pid_ = -1;
    finished.signalled = WIFSIGNALED(status);
    finished.status = finished.signalled ? WTERMSIG(status) : WEXITSTATUS(status);
    finished.output += readFile(outputPath_);
    return finished;
}

}  // namespace tallwick::listen::testing
