#include "Base64.h"

#include <array>
#include <cstring>

namespace tallwick {

namespace {

constexpr char alphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

// Every 12-bit group maps to its two output characters, so three input bytes
// cost two table reads instead of four.
constexpr std::array<std::array<char, 2>, 4096> pairTable() {
    std::array<std::array<char, 2>, 4096> table{};
    for (std::size_t v = 0; v < table.size(); ++v) {
        table[v] = {alphabet[v >> 6], alphabet[v & 0x3F]};
    }
    return table;
}
constexpr auto pairs = pairTable();

}  // namespace

void base64Encode(std::span<const std::uint8_t> bytes, char* out) {
    const std::uint8_t* in = bytes.data();
    std::size_t remaining = bytes.size();
    while (remaining >= 3) {
        const std::uint32_t group = std::uint32_t{in[0]} << 16 | std::uint32_t{in[1]} << 8 | in[2];
        std::memcpy(out, pairs[group >> 12].data(), 2);
        std::memcpy(out + 2, pairs[group & 0xFFF].data(), 2);
        in += 3;
        out += 4;
        remaining -= 3;
    }
    if (remaining == 1) {
        out[0] = alphabet[in[0] >> 2];
        out[1] = alphabet[(in[0] & 0x03) << 4];
        out[2] = '=';
        out[3] = '=';
    } else if (remaining == 2) {
        out[0] = alphabet[in[0] >> 2];
        out[1] = alphabet[(in[0] & 0x03) << 4 | in[1] >> 4];
        out[2] = alphabet[(in[1] & 0x0F) << 2];
        out[3] = '=';
    }
}

std::string base64Encode(std::span<const std::uint8_t> bytes) {
    std::string text(base64EncodedLength(bytes.size()), '\0');
    base64Encode(bytes, text.data());
    return text;
}

}  // namespace tallwick
