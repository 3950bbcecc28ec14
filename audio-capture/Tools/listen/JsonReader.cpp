#include "JsonReader.h"

#include <cstdint>
#include <optional>

#include "Utf8.h"

namespace tallwick::listen {

namespace {

class Reader {
public:
    explicit Reader(std::string_view text) : text_(text) {}

    JsonObjectRead readObject() {
        skipWhiteSpace();
        if (!consume('{')) {
            return failure(atEnd() ? "empty line, expected a JSON object"
                                   : "expected a JSON object, found " + describeValueAt());
        }
        skipWhiteSpace();
        if (!consume('}')) {
            for (;;) {
                skipWhiteSpace();
                if (atEnd() || peek() != '"') {
                    return failure(atEnd() ? "unexpected end of line, expected a member name"
                                           : "expected a member name in quotes");
                }
                JsonMember member;
                if (!readString(member.name)) {
                    return std::move(result_);
                }
                skipWhiteSpace();
                if (!consume(':')) {
                    return failure("expected ':' after the member name");
                }
                skipWhiteSpace();
                if (atEnd()) {
                    return failure("unexpected end of line, expected a value");
                }
                if (peek() != '"') {
                    return failure("member \"" + member.name + "\" is " + describeValueAt() +
                                   ", not a string");
                }
                if (!readString(member.value)) {
                    return std::move(result_);
                }
                result_.members.push_back(std::move(member));
                skipWhiteSpace();
                if (consume(',')) {
                    continue;
                }
                if (consume('}')) {
                    break;
                }
                return failure(atEnd() ? "unexpected end of line inside the object"
                                       : "expected ',' or '}' after a member");
            }
        }
        skipWhiteSpace();
        if (!atEnd()) {
            return failure("text after the end of the object");
        }
        return std::move(result_);
    }

private:
    bool atEnd() const { return at_ >= text_.size(); }
    char peek() const { return text_[at_]; }

    bool consume(char c) {
        if (!atEnd() && peek() == c) {
            ++at_;
            return true;
        }
        return false;
    }

    void skipWhiteSpace() {
        while (!atEnd() && (peek() == ' ' || peek() == '\t' || peek() == '\n' || peek() == '\r')) {
            ++at_;
        }
    }

    void fail(std::string problem) {
        result_.members.clear();
        result_.problem = std::move(problem);
        result_.offset = at_;
    }

    JsonObjectRead failure(std::string problem) {
        fail(std::move(problem));
        return std::move(result_);
    }

    // Names the kind of value at the cursor for an error message; JSON's other
    // value kinds are recognised only so far as to say what they are.
    std::string describeValueAt() const {
        switch (peek()) {
            case '{': return "an object";
            case '[': return "an array";
            case 't':
            case 'f': return "a boolean or other bare word";
            case 'n': return "null or other bare word";
            case '"': return "a string";
            default:
                if (peek() == '-' || (peek() >= '0' && peek() <= '9')) {
                    return "a number";
                }
                return "an unexpected character";
        }
    }

    std::optional<std::uint32_t> readHex4() {
        if (text_.size() - at_ < 4) {
            return std::nullopt;
        }
        std::uint32_t value = 0;
        for (int i = 0; i < 4; ++i) {
            const char c = text_[at_ + static_cast<std::size_t>(i)];
            value <<= 4;
            if (c >= '0' && c <= '9') {
                value |= static_cast<std::uint32_t>(c - '0');
            } else if (c >= 'a' && c <= 'f') {
                value |= static_cast<std::uint32_t>(c - 'a' + 10);
            } else if (c >= 'A' && c <= 'F') {
                value |= static_cast<std::uint32_t>(c - 'A' + 10);
            } else {
                return std::nullopt;
            }
        }
        at_ += 4;
        return value;
    }

    static void appendUtf8(std::string& out, std::uint32_t codePoint) {
        if (codePoint < 0x80) {
            out += static_cast<char>(codePoint);
        } else if (codePoint < 0x800) {
            out += static_cast<char>(0xC0 | codePoint >> 6);
            out += static_cast<char>(0x80 | (codePoint & 0x3F));
        } else if (codePoint < 0x10000) {
            out += static_cast<char>(0xE0 | codePoint >> 12);
            out += static_cast<char>(0x80 | (codePoint >> 6 & 0x3F));
            out += static_cast<char>(0x80 | (codePoint & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | codePoint >> 18);
            out += static_cast<char>(0x80 | (codePoint >> 12 & 0x3F));
            out += static_cast<char>(0x80 | (codePoint >> 6 & 0x3F));
            out += static_cast<char>(0x80 | (codePoint & 0x3F));
        }
    }

    // After the backslash and the 'u'. A text whose escapes leave a surrogate
    // unpaired has no Unicode meaning, so it is refused rather than guessed at.
    bool readUnicodeEscape(std::string& out) {
        const std::size_t escapeStart = at_ - 2;
        const auto first = readHex4();
        if (!first) {
            at_ = escapeStart;
            fail("\\u must be followed by four hexadecimal digits");
            return false;
        }
        std::uint32_t codePoint = *first;
        if (codePoint >= 0xDC00 && codePoint <= 0xDFFF) {
            at_ = escapeStart;
            fail("unpaired low surrogate in a \\u escape");
            return false;
        }
        if (codePoint >= 0xD800 && codePoint <= 0xDBFF) {
            if (!(consume('\\') && consume('u'))) {
                at_ = escapeStart;
                fail("high surrogate in a \\u escape not followed by a low one");
                return false;
            }
            const auto second = readHex4();
            if (!second || *second < 0xDC00 || *second > 0xDFFF) {
                at_ = escapeStart;
                fail("high surrogate in a \\u escape not followed by a low one");
                return false;
            }
            codePoint = 0x10000 + ((codePoint - 0xD800) << 10) + (*second - 0xDC00);
        }
        appendUtf8(out, codePoint);
        return true;
    }

    // At the opening quotation mark.
    bool readString(std::string& out) {
        ++at_;
        for (;;) {
            if (atEnd()) {
                fail("unterminated string");
                return false;
            }
            const auto c = static_cast<unsigned char>(peek());
            if (c == '"') {
                ++at_;
                return true;
            }
            if (c < 0x20) {
                fail("raw control character in a string");
                return false;
            }
            if (c == '\\') {
                ++at_;
                if (atEnd()) {
                    fail("unterminated string");
                    return false;
                }
                const char escape = peek();
                ++at_;
                switch (escape) {
                    case '"': out += '"'; break;
                    case '\\': out += '\\'; break;
                    case '/': out += '/'; break;
                    case 'b': out += '\b'; break;
                    case 'f': out += '\f'; break;
                    case 'n': out += '\n'; break;
                    case 'r': out += '\r'; break;
                    case 't': out += '\t'; break;
                    case 'u':
                        if (!readUnicodeEscape(out)) {
                            return false;
                        }
                        break;
                    default:
                        at_ -= 2;
                        fail("unknown escape in a string");
                        return false;
                }
                continue;
            }
            const std::size_t length = utf8SequenceLength(text_, at_);
            if (length == 0) {
                fail("ill-formed UTF-8 in a string");
                return false;
            }
            out.append(text_.substr(at_, length));
            at_ += length;
        }
    }

    std::string_view text_;
    std::size_t at_ = 0;
    JsonObjectRead result_;
};

}  // namespace

JsonObjectRead readJsonObject(std::string_view text) {
    return Reader(text).readObject();
}

}  // namespace tallwick::listen
