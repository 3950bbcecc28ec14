#include "JsonText.h"

#include <array>
#include <cstdint>

namespace tallwick {

namespace {

constexpr std::string_view replacementCharacter = "\xEF\xBF\xBD";

// True for the ASCII bytes that go out as they are.
constexpr std::array<bool, 256> plainAsciiTable() {
    std::array<bool, 256> plain{};
    for (int c = 0x20; c < 0x80; ++c) {
        plain[c] = c != '"' && c != '\\' && c != '/';
    }
    return plain;
}
constexpr auto plainAscii = plainAsciiTable();

void appendEscapedAscii(std::string& out, unsigned char c) {
    switch (c) {
        case '"':
            out += "\\\"";
            return;
        case '\\':
            out += "\\\\";
            return;
        case '/':
            out += "\\/";
            return;
        case '\b':
            out += "\\b";
            return;
        case '\f':
            out += "\\f";
            return;
        case '\n':
            out += "\\n";
            return;
        case '\r':
            out += "\\r";
            return;
        case '\t':
            out += "\\t";
            return;
        default: {
            static constexpr char hex[] = "0123456789abcdef";
            const char escaped[] = {'\\', 'u', '0', '0', hex[c >> 4], hex[c & 0xF]};
            out.append(escaped, sizeof escaped);
            return;
        }
    }
}

bool isContinuation(unsigned char c) { return (c & 0xC0) == 0x80; }

// Length of the valid UTF-8 sequence that starts at text[i] (a byte >= 0x80),
// or 0 with `invalid` set to how many bytes form the maximal invalid subpart.
std::size_t validSequenceLength(std::string_view text, std::size_t i, std::size_t& invalid) {
    const auto lead = static_cast<unsigned char>(text[i]);
    std::size_t length = 0;
    unsigned char low = 0x80, high = 0xBF;  // allowed range of the second byte
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        if (lead == 0xE0) low = 0xA0;  // overlong
        if (lead == 0xED) high = 0x9F;  // surrogates
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        if (lead == 0xF0) low = 0x90;  // overlong
        if (lead == 0xF4) high = 0x8F;  // above U+10FFFF
    } else {
        invalid = 1;
        return 0;
    }
    std::size_t k = 1;
    for (; k < length && i + k < text.size(); ++k) {
        const auto c = static_cast<unsigned char>(text[i + k]);
        const bool ok = k == 1 ? (c >= low && c <= high) : isContinuation(c);
        if (!ok) {
            break;
        }
    }
    if (k == length) {
        return length;
    }
    invalid = k;
    return 0;
}

}  // namespace

void appendJsonString(std::string& out, std::string_view text) {
    out += '"';
    std::size_t i = 0;
    while (i < text.size()) {
        std::size_t run = i;
        while (run < text.size() && plainAscii[static_cast<unsigned char>(text[run])]) {
            ++run;
        }
        out.append(text.data() + i, run - i);
        i = run;
        if (i == text.size()) {
            break;
        }
        const auto c = static_cast<unsigned char>(text[i]);
        if (c < 0x80) {
            appendEscapedAscii(out, c);
            ++i;
            continue;
        }
        std::size_t invalid = 0;
        if (const std::size_t length = validSequenceLength(text, i, invalid)) {
            out.append(text.data() + i, length);
            i += length;
        } else {
            out += replacementCharacter;
            i += invalid;
        }
    }
    out += '"';
}

}  // namespace tallwick
