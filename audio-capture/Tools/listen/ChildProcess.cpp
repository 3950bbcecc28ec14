#include "ChildProcess.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstring>

#include "Pipe.h"

extern char** environ;

namespace tallwick::listen {

std::string ChildExit::describe() const {
    if (signalled) {
        const char* name = ::strsignal(value);
        return "killed by signal " + std::to_string(value) + (name ? std::string(" (") + name + ")" : "");
    }
    return "exited with status " + std::to_string(value);
}

std::unique_ptr<ChildProcess> ChildProcess::spawn(const std::vector<std::string>& command,
                                                  std::string& error) {
    int pipeEnds[2];
    if (!makePipe(pipeEnds, false)) {
        error = std::string("cannot make a pipe: ") + std::strerror(errno);
        return nullptr;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    // dup2 clears close-on-exec on the copy, so only standard output survives.
    posix_spawn_file_actions_adddup2(&actions, pipeEnds[1], STDOUT_FILENO);

    // The child starts with no signal blocked and the default action for the
    // signals we catch or ignore: an ignored SIGPIPE would otherwise be
    // inherited across exec.
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    sigset_t none;
    sigemptyset(&none);
    posix_spawnattr_setsigmask(&attributes, &none);
    sigset_t defaults;
    sigemptyset(&defaults);
    for (int signalNumber : {SIGINT, SIGTERM, SIGHUP, SIGPIPE, SIGCHLD}) {
        sigaddset(&defaults, signalNumber);
    }
    posix_spawnattr_setsigdefault(&attributes, &defaults);
    // A process group of its own: Ctrl-C on the terminal reaches only us, and
    // we pass it on. Were the child in our group it would get the terminal's
    // signal as well, and could die of it before we knew the stop was asked for.
    posix_spawnattr_setpgroup(&attributes, 0);
    posix_spawnattr_setflags(&attributes,
                             POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETPGROUP);

    std::vector<char*> argv;
    for (const std::string& argument : command) {
        argv.push_back(const_cast<char*>(argument.c_str()));
    }
    argv.push_back(nullptr);

    pid_t pid = 0;
    const int failed = ::posix_spawnp(&pid, argv[0], &actions, &attributes, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);
    ::close(pipeEnds[1]);
    if (failed != 0) {
        ::close(pipeEnds[0]);
        error = "cannot start " + command[0] + ": " + std::strerror(failed);
        return nullptr;
    }
    return std::unique_ptr<ChildProcess>(new ChildProcess(pid, pipeEnds[0]));
}

ChildProcess::~ChildProcess() {
    if (running()) {
        signal(SIGKILL);
        wait();
    }
    closeOutput();
}

void ChildProcess::closeOutput() {
    if (output_ >= 0) {
        ::close(output_);
        output_ = -1;
    }
}

void ChildProcess::signal(int signalNumber) {
    if (running()) {
        // The whole group, as a terminal would: a wrapper script's own
        // children get it too.
        ::kill(-pid_, signalNumber);
    }
}

void ChildProcess::record(int status) {
    if (WIFSIGNALED(status)) {
        exit_ = ChildExit{true, WTERMSIG(status)};
    } else {
        exit_ = ChildExit{false, WEXITSTATUS(status)};
    }
}

const std::optional<ChildExit>& ChildProcess::poll() {
    if (running()) {
        int status = 0;
        pid_t reaped;
        while ((reaped = ::waitpid(pid_, &status, WNOHANG)) < 0 && errno == EINTR) {
        }
        if (reaped == pid_) {
            record(status);
        }
    }
    return exit_;
}

const ChildExit& ChildProcess::wait() {
    while (running()) {
        int status = 0;
        const pid_t reaped = ::waitpid(pid_, &status, 0);
        if (reaped == pid_) {
            record(status);
        } else if (reaped < 0 && errno != EINTR) {
            // Someone else reaped it; nothing more can be learnt.
            exit_ = ChildExit{false, -1};
        }
    }
    return *exit_;
}

}  // namespace tallwick::listen
