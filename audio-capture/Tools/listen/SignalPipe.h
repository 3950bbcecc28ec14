#pragma once

#include <initializer_list>
#include <vector>

namespace tallwick::listen {

// Turns signals into bytes on a pipe, so the main loop sees them in poll()
// along with its input instead of being interrupted at an arbitrary point.
// One at a time per process; the previous handlers come back when it goes.
class SignalPipe {
public:
    explicit SignalPipe(std::initializer_list<int> signals);
    ~SignalPipe();
    SignalPipe(const SignalPipe&) = delete;
    SignalPipe& operator=(const SignalPipe&) = delete;

    int fd() const { return readEnd_; }
    // The signals that arrived since the last call, in order.
    std::vector<int> take();

private:
    int readEnd_ = -1;
    std::vector<int> signals_;
};

}  // namespace tallwick::listen
