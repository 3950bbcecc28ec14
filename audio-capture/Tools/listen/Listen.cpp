#include "Listen.h"

#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstring>
#include <iostream>
#include <memory>
#include <optional>

#include "ChildProcess.h"
#include "ExitStatus.h"
#include "LevelBar.h"
#include "SignalPipe.h"
#include "StreamInspection.h"
#include "Summary.h"
#include "WavWriter.h"

namespace tallwick::listen {

namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

// How long a stopped tool gets to end by itself before it is killed.
constexpr auto stopGrace = 5s;
// How long to keep reading after the writer is gone or asked to stop, for
// lines still in the pipe (or held open by a grandchild).
constexpr auto drainGrace = 2s;
constexpr auto headerUpdateInterval = 1s;
constexpr auto displayTick = 100ms;

bool isStopSignal(int signalNumber) {
    return signalNumber == SIGINT || signalNumber == SIGTERM || signalNumber == SIGHUP;
}

const char* signalName(int signalNumber) {
    switch (signalNumber) {
        case SIGINT: return "SIGINT";
        case SIGTERM: return "SIGTERM";
        case SIGHUP: return "SIGHUP";
        case SIGKILL: return "SIGKILL";
        default: return "a signal";
    }
}

class Session {
public:
    Session(const ListenOptions& options, WavWriter* wav)
        : options_(options),
          wav_(wav),
          bar_(!options.quiet),
          inspection_([] { return Clock::now(); }, wav) {
        inspection_.onOutcome(
            [this](const LineOutcome& outcome, const StreamTally& tally) { bar_.show(outcome, tally); });
    }

    int run() {
        std::optional<ToolOutcome> tool;
        if (!options_.command.empty()) {
            std::string error;
            child_ = ChildProcess::spawn(options_.command, error);
            if (!child_) {
                tool = ToolOutcome{"could not be started: " + error, true};
            } else {
                input_ = child_->output();
            }
        } else {
            input_ = STDIN_FILENO;
        }
        if (input_ >= 0) {
            loop();
        }
        inspection_.end(stopRequested_ != 0);
        bar_.finish();
        if (wav_ != nullptr) {
            wav_->close();
        }
        if (child_) {
            tool = describeToolEnd(child_->wait());
        }
        std::cout << formatSummary(inspection_, wav_, tool) << std::flush;
        return listenExitStatus(inspection_.tally().invalidLines > 0, tool && tool->failed,
                                wav_ != nullptr && !wav_->error().empty());
    }

private:
    ToolOutcome describeToolEnd(const ChildExit& exit) const {
        ToolOutcome outcome{exit.describe(), false};
        const bool ourSignal = exit.signalled &&
                               (exit.value == stopRequested_ || (exit.value == SIGKILL && killed_));
        // A shell or wrapper in between reports a death by signal as 128 + its number.
        const bool ourSignalThroughShell =
            !exit.signalled && stopRequested_ != 0 && exit.value == 128 + stopRequested_;
        if (ourSignal || ourSignalThroughShell) {
            const int signalNumber = exit.signalled ? exit.value : stopRequested_;
            outcome.description += ", stopped on request (" + std::string(signalName(signalNumber)) +
                                   " from the inspector)";
        } else if (exit.signalled || exit.value != 0) {
            outcome.failed = true;
        }
        return outcome;
    }

    void onSignal(int signalNumber, Clock::time_point now) {
        if (signalNumber == SIGCHLD) {
            if (child_ && child_->poll()) {
                childEndedAt_ = now;
            }
            return;
        }
        if (!isStopSignal(signalNumber)) {
            return;
        }
        if (stopRequested_ == 0) {
            stopRequested_ = signalNumber;
            if (child_) {
                child_->signal(signalNumber);
                killAt_ = now + stopGrace;
            } else {
                stopReadingAt_ = now + drainGrace;
            }
            return;
        }
        // Asked again: the user means it.
        if (child_ && child_->running()) {
            child_->signal(SIGKILL);
            killed_ = true;
        } else {
            stopReadingAt_ = now;
        }
    }

    // Reads what is there; false at the end of the input.
    bool readInput() {
        char buffer[65536];
        for (;;) {
            const ssize_t got = ::read(input_, buffer, sizeof buffer);
            if (got > 0) {
                inspection_.feed(std::string_view(buffer, static_cast<std::size_t>(got)));
                return true;
            }
            if (got < 0 && errno == EINTR) {
                continue;
            }
            if (got < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
                return true;
            }
            return false;  // end of input, or an error that ends it all the same
        }
    }

    void closeInput() {
        if (child_) {
            child_->closeOutput();
        }
        input_ = -1;
    }

    std::optional<Clock::time_point> nextDeadline() const {
        std::optional<Clock::time_point> next = nextHeaderUpdate_;
        const auto killAt = child_ && child_->running() ? killAt_ : std::nullopt;
        const auto stopReadingAt = input_ >= 0 ? stopReadingAt_ : std::nullopt;
        for (const auto& deadline : {killAt, stopReadingAt, drainUntil()}) {
            if (deadline && (!next || *deadline < *next)) {
                next = deadline;
            }
        }
        return next;
    }

    std::optional<Clock::time_point> drainUntil() const {
        if (childEndedAt_ && input_ >= 0) {
            return *childEndedAt_ + drainGrace;
        }
        return std::nullopt;
    }

    bool finished() const {
        if (child_) {
            return input_ < 0 && !child_->running();
        }
        return input_ < 0;
    }

    void loop() {
        SignalPipe signals{SIGINT, SIGTERM, SIGHUP, SIGCHLD};
        // A child that ended before the handler was in place sent its SIGCHLD
        // to nobody; look once now.
        if (child_ && child_->poll()) {
            childEndedAt_ = Clock::now();
        }
        nextHeaderUpdate_ = Clock::now() + headerUpdateInterval;
        while (!finished()) {
            pollfd watched[2] = {{signals.fd(), POLLIN, 0}, {input_, POLLIN, 0}};
            const nfds_t count = input_ >= 0 ? 2 : 1;
            int timeoutMs = static_cast<int>(displayTick.count());
            if (const auto deadline = nextDeadline()) {
                const auto wait = std::chrono::ceil<std::chrono::milliseconds>(*deadline - Clock::now());
                timeoutMs = static_cast<int>(std::clamp<long long>(wait.count(), 0, timeoutMs));
            }
            if (::poll(watched, count, timeoutMs) < 0 && errno != EINTR) {
                break;
            }
            const auto now = Clock::now();
            if (watched[0].revents & POLLIN) {
                for (int signalNumber : signals.take()) {
                    onSignal(signalNumber, now);
                }
            }
            if (input_ >= 0 && (watched[1].revents & (POLLIN | POLLHUP | POLLERR | POLLNVAL))) {
                if (!readInput()) {
                    closeInput();
                }
            }
            if (child_ && child_->running() && child_->poll()) {
                childEndedAt_ = now;
            }
            if (killAt_ && now >= *killAt_ && child_ && child_->running()) {
                child_->signal(SIGKILL);
                killed_ = true;
                killAt_.reset();
            }
            if (input_ >= 0 && ((stopReadingAt_ && now >= *stopReadingAt_) ||
                                (drainUntil() && now >= *drainUntil()))) {
                closeInput();
            }
            if (wav_ != nullptr && now >= nextHeaderUpdate_) {
                wav_->updateHeader();
                nextHeaderUpdate_ = now + headerUpdateInterval;
            }
        }
    }

    const ListenOptions& options_;
    WavWriter* wav_;
    LevelBar bar_;
    StreamInspection inspection_;
    std::unique_ptr<ChildProcess> child_;
    int input_ = -1;
    int stopRequested_ = 0;  // the first stop signal received, 0 if none
    bool killed_ = false;
    std::optional<Clock::time_point> killAt_;
    std::optional<Clock::time_point> stopReadingAt_;
    std::optional<Clock::time_point> childEndedAt_;
    Clock::time_point nextHeaderUpdate_{};
};

}  // namespace

int listen(const ListenOptions& options) {
    // The summary goes to standard output; if that reader has gone, the WAV
    // file must still be finished, so a broken pipe is an error, not a death.
    std::signal(SIGPIPE, SIG_IGN);
    std::string error;
    std::optional<WavWriter> wav =
        options.wavPath ? WavWriter::create(*options.wavPath, error) : std::nullopt;
    if (options.wavPath && !wav) {
        std::cerr << "tallwick-audio-listen: " << error << "\n";
        return exitStatus::usageError;
    }
    Session session(options, wav ? &*wav : nullptr);
    return session.run();
}

}  // namespace tallwick::listen
