#include "ToolRun.h"

#include <signal.h>
#include <unistd.h>

#include <array>
#include <fstream>
#include <gtest/gtest.h>
#include <iostream>
#include <nlohmann/json.hpp>
#include <sstream>

#include "Tone.h"

namespace tallwick::testing {

namespace {

const std::string binary = TALLWICK_AUDIO_BINARY;

std::optional<Event> parse(const std::string& line) {
    const auto json = nlohmann::json::parse(line, nullptr, false);
    if (json.is_discarded() || !json.is_object() || !json.contains("type") ||
        !json["type"].is_string()) {
        return std::nullopt;
    }
    Event event;
    event.line = line;
    event.arrivedAt = std::chrono::steady_clock::now();
    for (const auto& [key, value] : json.items()) {
        if (!value.is_string()) {
            return std::nullopt;
        }
        if (key == "type") {
            event.type = value.get<std::string>();
        } else if (key == "data") {
            event.data = value.get<std::string>();
        } else if (key == "message") {
            event.message = value.get<std::string>();
        } else {
            return std::nullopt;
        }
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
    ChildProcess::Options options = ChildProcess::reading(arguments, environment);
    options.standardErrorFile = errorFile_;
    process_ = std::make_unique<ChildProcess>(options);
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

bool ToolRun::readUntil(const std::function<bool(const std::vector<Event>&)>& until,
                        std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!until(events_)) {
        bool unterminated = false;
        const auto line = process_->readLine(deadline, &unterminated);
        if (!line) {
            return false;
        }
        auto event = unterminated ? std::nullopt : parse(*line);
        if (event) {
            events_.push_back(std::move(*event));
        } else {
            malformed_.push_back(*line);
        }
    }
    return true;
}

bool ToolRun::readToEnd(std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        bool unterminated = false;
        const auto line = process_->readLine(deadline, &unterminated);
        if (!line) {
            return std::chrono::steady_clock::now() < deadline;
        }
        auto event = unterminated ? std::nullopt : parse(*line);
        if (event) {
            events_.push_back(std::move(*event));
        } else {
            malformed_.push_back(*line);
        }
    }
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
        if (event.type == "audio" && event.data) {
            if (const auto bytes = decodeBase64(*event.data)) {
                const auto decoded = fromPCM16(*bytes);
                samples.insert(samples.end(), decoded.begin(), decoded.end());
            }
        }
    }
    return samples;
}

std::optional<int> ToolRun::exitStatus(std::chrono::milliseconds timeout) {
    return process_->waitFor(timeout);
}

void ToolRun::terminate() { process_->kill(SIGTERM); }

void ToolRun::closeStandardOutput() { process_->closeStandardOutput(); }

std::string ToolRun::standardError() const {
    std::ifstream in(errorFile_);
    std::stringstream contents;
    contents << in.rdbuf();
    return contents.str();
}

std::optional<std::string> decodeBase64(const std::string& text) {
    static const std::string alphabet =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    if (text.size() % 4 != 0) {
        return std::nullopt;
    }
    std::string bytes;
    bytes.reserve(text.size() / 4 * 3);
    for (std::size_t at = 0; at < text.size(); at += 4) {
        std::array<int, 4> values{};
        int padding = 0;
        for (int i = 0; i < 4; ++i) {
            const char c = text[at + i];
            const bool last = at + 4 == text.size();
            if (c == '=' && last && i >= 2 && (i == 3 || text[at + 3] == '=')) {
                ++padding;
                values[i] = 0;
                continue;
            }
            const auto found = alphabet.find(c);
            if (found == std::string::npos || padding > 0) {
                return std::nullopt;
            }
            values[i] = static_cast<int>(found);
        }
        const int group = values[0] << 18 | values[1] << 12 | values[2] << 6 | values[3];
        bytes.push_back(static_cast<char>(group >> 16 & 0xff));
        if (padding < 2) {
            bytes.push_back(static_cast<char>(group >> 8 & 0xff));
        }
        if (padding < 1) {
            bytes.push_back(static_cast<char>(group & 0xff));
        }
    }
    return bytes;
}

bool hasEvent(const std::vector<Event>& events, const std::string& type,
              const std::optional<std::string>& message) {
    for (const auto& event : events) {
        if (event.type == type && (!message || event.message == message)) {
            return true;
        }
    }
    return false;
}

}  // namespace tallwick::testing
