#include "LineQuote.h"

#include "Utf8.h"

namespace tallwick::listen {

namespace {

// Returns how many bytes of `text` it took.
std::size_t appendPrintable(std::string& out, std::string_view text, std::size_t maxBytes) {
    static constexpr char hex[] = "0123456789ABCDEF";
    std::size_t at = 0;
    while (at < text.size() && at < maxBytes) {
        const auto byte = static_cast<unsigned char>(text[at]);
        if (byte >= 0x20 && byte < 0x7F) {
            out += static_cast<char>(byte);
            ++at;
            continue;
        }
        const std::size_t length = byte >= 0x80 ? utf8SequenceLength(text, at) : 0;
        // C1 controls (U+0080 to U+009F) act on terminals as well.
        const bool c1Control = length == 2 && byte == 0xC2 &&
                               static_cast<unsigned char>(text[at + 1]) < 0xA0;
        if (length > 0 && !c1Control && at + length <= maxBytes) {
            out.append(text.substr(at, length));
            at += length;
            continue;
        }
        if (length > 0 && at + length > maxBytes) {
            break;
        }
        out += "\\x";
        out += hex[byte >> 4];
        out += hex[byte & 0xF];
        ++at;
    }
    return at;
}

}  // namespace

std::string printable(std::string_view text, std::size_t maxBytes) {
    std::string out;
    if (appendPrintable(out, text, maxBytes) < text.size()) {
        out += "…";
    }
    return out;
}

std::string quoteLine(std::string_view text, std::size_t maxBytes) {
    std::string out = "\"";
    const std::size_t taken = appendPrintable(out, text, maxBytes);
    out += '"';
    if (taken < text.size()) {
        out += "…";
    }
    return out;
}

}  // namespace tallwick::listen
