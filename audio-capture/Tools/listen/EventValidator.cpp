#include "EventValidator.h"

#include "Base64Decode.h"
#include "JsonReader.h"

namespace tallwick::listen {

std::string_view nameOf(EventType type) {
    switch (type) {
        case EventType::log: return "log";
        case EventType::ready: return "ready";
        case EventType::audio: return "audio";
        case EventType::level: return "level";
        case EventType::error: return "error";
    }
    return "?";
}

namespace {

std::optional<EventType> eventTypeNamed(std::string_view name) {
    for (EventType type : allEventTypes) {
        if (nameOf(type) == name) {
            return type;
        }
    }
    return std::nullopt;
}

// "0.0000" to "1.0000", exactly as "%.4f" writes a level; nothing looser.
std::optional<double> parseLevel(std::string_view text) {
    if (text.size() != 6 || (text[0] != '0' && text[0] != '1') || text[1] != '.') {
        return std::nullopt;
    }
    int tenThousandths = (text[0] - '0') * 10000;
    for (std::size_t i = 2; i < 6; ++i) {
        if (text[i] < '0' || text[i] > '9') {
            return std::nullopt;
        }
        tenThousandths += (text[i] - '0') * (i == 2 ? 1000 : i == 3 ? 100 : i == 4 ? 10 : 1);
    }
    if (tenThousandths > 10000) {
        return std::nullopt;
    }
    return tenThousandths / 10000.0;
}

// Names and values from the line, cut short: a problem report names them, it
// does not repeat a megabyte of them.
std::string quoted(std::string_view text) {
    constexpr std::size_t shown = 60;
    std::string out = "\"";
    out.append(text.substr(0, shown)).append("\"");
    if (text.size() > shown) {
        out.append("…");
    }
    return out;
}

}  // namespace

EventCheck checkEventLine(std::string_view line) {
    EventCheck check;
    JsonObjectRead object = readJsonObject(line);
    if (!object.ok()) {
        check.problem = "not a JSON object of strings: " + object.problem + " (at byte " +
                        std::to_string(object.offset) + ")";
        return check;
    }
    const std::string* type = nullptr;
    const std::string* data = nullptr;
    const std::string* message = nullptr;
    std::string problem;
    for (const JsonMember& member : object.members) {
        const std::string** slot = member.name == "type"      ? &type
                                   : member.name == "data"    ? &data
                                   : member.name == "message" ? &message
                                                              : nullptr;
        if (slot == nullptr) {
            if (problem.empty()) problem = "unknown member " + quoted(member.name);
            continue;
        }
        if (*slot != nullptr) {
            if (problem.empty()) problem = "member " + quoted(member.name) + " appears twice";
            continue;
        }
        *slot = &member.value;
    }
    if (type != nullptr) {
        check.claimedType = *type;
    }
    if (!problem.empty()) {
        check.problem = std::move(problem);
        return check;
    }
    if (type == nullptr) {
        check.problem = "no \"type\" member";
        return check;
    }
    const auto eventType = eventTypeNamed(*type);
    if (!eventType) {
        check.problem = "unknown type " + quoted(*type);
        return check;
    }
    Event event;
    event.type = *eventType;
    if (event.type == EventType::audio) {
        if (message != nullptr) {
            check.problem = "\"audio\" with a \"message\"";
            return check;
        }
        if (data == nullptr) {
            check.problem = "\"audio\" without \"data\"";
            return check;
        }
        Base64Decoded decoded = base64Decode(*data);
        if (!decoded.ok()) {
            check.problem = "\"audio\" data: " + decoded.problem;
            return check;
        }
        if (decoded.bytes.empty()) {
            check.problem = "\"audio\" with no audio (empty data)";
            return check;
        }
        if (decoded.bytes.size() % 2 != 0) {
            check.problem = "\"audio\" data of " + std::to_string(decoded.bytes.size()) +
                            " bytes, not a whole number of 16-bit samples";
            return check;
        }
        event.pcm = std::move(decoded.bytes);
    } else {
        if (data != nullptr) {
            check.problem = quoted(*type) + " with a \"data\" member";
            return check;
        }
        if (message == nullptr) {
            check.problem = quoted(*type) + " without \"message\"";
            return check;
        }
        if (event.type == EventType::level) {
            const auto level = parseLevel(*message);
            if (!level) {
                check.problem = "level " + quoted(*message) + " is not a value 0.0000 to 1.0000";
                return check;
            }
            event.level = *level;
        }
        event.message = *message;
    }
    check.event = std::move(event);
    return check;
}

LineOutcome EventValidator::invalid(std::size_t lineNumber, std::string problem,
                                    std::string_view text) const {
    LineOutcome outcome;
    outcome.lineNumber = lineNumber;
    outcome.problem = std::move(problem);
    outcome.excerpt = std::string(text.substr(0, excerptLength));
    return outcome;
}

void EventValidator::settlePendingLevel(std::vector<LineOutcome>& out,
                                        const std::optional<std::string>& nextType) {
    if (!pendingLevel_) {
        return;
    }
    LineOutcome level = std::move(*pendingLevel_);
    pendingLevel_.reset();
    if (!nextType || *nextType != "audio") {
        std::string excerpt = "{\"type\":\"level\",\"message\":\"" + level.event->message + "\"}";
        out.push_back(invalid(level.lineNumber,
                              "\"level\" not directly followed by an \"audio\" event",
                              excerpt));
        return;
    }
    out.push_back(std::move(level));
}

std::vector<LineOutcome> EventValidator::line(std::string_view text) {
    const std::size_t number = ++lineCount_;
    std::vector<LineOutcome> out;
    EventCheck check = checkEventLine(text);
    settlePendingLevel(out, check.claimedType);
    if (!check.event) {
        out.push_back(invalid(number, std::move(check.problem), text));
        return out;
    }
    LineOutcome outcome;
    outcome.lineNumber = number;
    outcome.event = std::move(check.event);
    if (outcome.event->type == EventType::level) {
        pendingLevel_ = std::move(outcome);
    } else {
        out.push_back(std::move(outcome));
    }
    return out;
}

std::vector<LineOutcome> EventValidator::oversizeLine(std::size_t length, std::string_view head) {
    const std::size_t number = ++lineCount_;
    std::vector<LineOutcome> out;
    settlePendingLevel(out, std::nullopt);
    out.push_back(invalid(number, "line of " + std::to_string(length) + " bytes, over the limit",
                          head));
    return out;
}

std::vector<LineOutcome> EventValidator::end(const std::optional<UnterminatedLine>& unterminated,
                                             bool stoppedFromOutside) {
    std::vector<LineOutcome> out;
    if (unterminated) {
        const std::size_t number = ++lineCount_;
        // The cut line is most likely the level's own "audio": the fault is
        // the cut, reported once, on that line.
        if (pendingLevel_) {
            pendingLevel_->note = "its \"audio\" line was cut off";
            out.push_back(std::move(*pendingLevel_));
            pendingLevel_.reset();
        }
        out.push_back(invalid(number,
                              "last line cut off: " + std::to_string(unterminated->length) +
                                  " bytes and no line feed",
                              unterminated->head));
        return out;
    }
    if (pendingLevel_ && stoppedFromOutside) {
        pendingLevel_->note = "stream stopped between this \"level\" and its \"audio\"";
        out.push_back(std::move(*pendingLevel_));
        pendingLevel_.reset();
        return out;
    }
    settlePendingLevel(out, std::nullopt);
    return out;
}

}  // namespace tallwick::listen
