#include "SignalPipe.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdlib>

#include "Pipe.h"

namespace tallwick::listen {

namespace {

volatile sig_atomic_t writeEnd = -1;
struct sigaction previous[NSIG];

extern "C" void forwardToPipe(int signalNumber) {
    const int savedErrno = errno;
    const auto byte = static_cast<unsigned char>(signalNumber);
    // Non-blocking: if the pipe is full, the loop has plenty to read already.
    [[maybe_unused]] const ssize_t written = ::write(writeEnd, &byte, 1);
    errno = savedErrno;
}

}  // namespace

SignalPipe::SignalPipe(std::initializer_list<int> signals) : signals_(signals) {
    int ends[2];
    if (!makePipe(ends, true)) {
        std::abort();  // only at start-up, with no descriptors to spare
    }
    readEnd_ = ends[0];
    writeEnd = ends[1];
    struct sigaction action {};
    action.sa_handler = forwardToPipe;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int signalNumber : signals_) {
        ::sigaction(signalNumber, &action, &previous[signalNumber]);
    }
}

SignalPipe::~SignalPipe() {
    for (int signalNumber : signals_) {
        ::sigaction(signalNumber, &previous[signalNumber], nullptr);
    }
    ::close(writeEnd);
    writeEnd = -1;
    ::close(readEnd_);
}

std::vector<int> SignalPipe::take() {
    std::vector<int> arrived;
    unsigned char bytes[64];
    for (;;) {
        const ssize_t got = ::read(readEnd_, bytes, sizeof bytes);
        if (got > 0) {
            arrived.insert(arrived.end(), bytes, bytes + got);
            continue;
        }
        if (got < 0 && errno == EINTR) {
            continue;
        }
        return arrived;
    }
}

}  // namespace tallwick::listen
