#include "ToolRun.h"

#include <signal.h>
#include <unistd.h>

#include <gtest/gtest.h>
#include <algorithm>
#include <fstream>
#include <iostream>
#include <sstream>

#include "EventValidator.h"
#include "Tone.h"

namespace tallwick::testing {

namespace {

const std::string binary = TALLWICK_AUDIO_BINARY;

// The inspector's own check of the line format, the one the host relies on.
std::optional<Event> parse(const std::string& line, std::vector<std::string>& malformed) {
    auto check = listen::checkEventLine(line);
    if (!check.event) {
        malformed.push_back(check.problem + ": " + line.substr(0, 80));
        return std::nullopt;
    }
    Event event{std::string(listen::nameOf(check.event->type)), std::move(check.event->pcm),
                std::nullopt, std::chrono::steady_clock::now(), line};
    if (check.event->type != listen::EventType::audio) {
        event.message = std::move(check.event->message);
    }
    return event;
}

}  // namespace

ToolRun::ToolRun(std::vector<std::string> arguments, std::vector<std::string> environment) {
    char pattern[] = "/tmp/tallwick-stderr-XXXXXX";
    const int fd = ::mkstemp(pattern);
    if (fd >= 0) {
        ::close(fd);
    }
    errorFile_ = pattern;
    arguments.insert(arguments.begin(), binary);
    process_ = std::make_unique<RunningProgram>(arguments, environment, errorFile_);
}

ToolRun::~ToolRun() {
    process_.reset();
    // A sanitizer's report, or anything else the tool should never have said.
    const std::string errors = standardError();
    if (::testing::Test::HasFailure() && !errors.empty()) {
        std::cerr << "tallwick_audio's standard error:\n" << errors << '\n';
    }
    ::unlink(errorFile_.c_str());
}

bool ToolRun::readOne(std::chrono::steady_clock::time_point deadline) {
    bool unterminated = false;
    const auto line = process_->readLine(deadline, &unterminated);
    if (!line) {
        return false;
    }
    if (unterminated) {
        malformed_.push_back("no line feed: " + line->substr(0, 80));
    } else if (auto event = parse(*line, malformed_)) {
        audioBytes_ += event->pcm.size();
        events_.push_back(std::move(*event));
    }
    return true;
}

bool ToolRun::readUntil(const std::function<bool(const std::vector<Event>&)>& until,
                        std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!until(events_)) {
        if (!readOne(deadline)) {
            return false;
        }
    }
    return true;
}

bool ToolRun::readUntilEvent(const std::string& type, std::chrono::milliseconds timeout) {
    return readUntil([&](const auto& events) { return hasEvent(events, type); }, timeout);
}

bool ToolRun::readToEnd(std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (readOne(deadline)) {
    }
    return std::chrono::steady_clock::now() < deadline;
}

std::vector<std::string> ToolRun::types() const {
    std::vector<std::string> result;
    for (const auto& event : events_) {
        result.push_back(event.type);
    }
    return result;
}

std::vector<float> ToolRun::audio() const {
    std::vector<float> samples;
    for (const auto& event : events_) {
        const auto decoded = fromPCM16(event.pcm);
        samples.insert(samples.end(), decoded.begin(), decoded.end());
    }
    return samples;
}

std::optional<int> ToolRun::exitStatus(std::chrono::milliseconds timeout) {
    return process_->waitFor(timeout);
}

std::chrono::duration<double> ToolRun::processorTime() const {
    std::ifstream in("/proc/" + std::to_string(process_->pid()) + "/stat");
    std::string stat;
    std::getline(in, stat);
    // After the name: the state is the third field, user and system time the 14th and 15th.
    std::istringstream fields(stat.substr(stat.rfind(')') + 2));
    std::string field;
    double ticks = 0;
    for (int number = 3; number <= 15 && fields >> field; ++number) {
        if (number >= 14) {
            ticks += std::stod(field);
        }
    }
    return std::chrono::duration<double>(ticks / static_cast<double>(::sysconf(_SC_CLK_TCK)));
}

void ToolRun::terminate() {
    process_->kill(SIGTERM);
}

void ToolRun::closeStandardOutput() {
    process_->closeStandardOutput();
}

std::string ToolRun::standardError() const {
    std::ifstream in(errorFile_);
    std::stringstream contents;
    contents << in.rdbuf();
    return contents.str();
}

std::size_t indexOf(const std::vector<Event>& events, const std::string& type,
                    const std::optional<std::string>& message) {
    const auto found = std::find_if(events.begin(), events.end(), [&](const Event& event) {
        return event.type == type && (!message || event.message == message);
    });
    return static_cast<std::size_t>(found - events.begin());
}

}  // namespace tallwick::testing
