#include "Base64Decode.h"

#include <array>

namespace tallwick::listen {

namespace {

constexpr std::uint8_t notInAlphabet = 0xFF;

constexpr std::array<std::uint8_t, 256> sextetTable() {
    std::array<std::uint8_t, 256> table{};
    table.fill(notInAlphabet);
    constexpr char alphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    for (std::uint8_t i = 0; i < 64; ++i) {
        table[static_cast<unsigned char>(alphabet[i])] = i;
    }
    return table;
}
constexpr auto sextets = sextetTable();

std::string describeCharacter(char c, std::size_t at) {
    static constexpr char hex[] = "0123456789ABCDEF";
    const auto byte = static_cast<unsigned char>(c);
    std::string shown = byte >= 0x21 && byte < 0x7F ? std::string("'") + c + "'"
                                                     : std::string("byte 0x") + hex[byte >> 4] +
                                                           hex[byte & 0xF];
    return shown + " at offset " + std::to_string(at) + " is not base64";
}

}  // namespace

Base64Decoded base64Decode(std::string_view text) {
    Base64Decoded result;
    if (text.size() % 4 != 0) {
        result.problem = "base64 length " + std::to_string(text.size()) +
                         " is not a multiple of 4 (missing padding or truncated)";
        return result;
    }
    std::size_t padding = 0;
    if (!text.empty() && text.back() == '=') {
        padding = text.size() >= 2 && text[text.size() - 2] == '=' ? 2 : 1;
    }
    const std::size_t body = text.size() - padding;
    for (std::size_t i = 0; i < body; ++i) {
        if (sextets[static_cast<unsigned char>(text[i])] == notInAlphabet) {
            result.problem = text[i] == '='
                                 ? "padding '=' at offset " + std::to_string(i) + " before the end"
                                 : describeCharacter(text[i], i);
            return result;
        }
    }
    result.bytes.reserve(text.size() / 4 * 3);
    std::uint32_t bits = 0;
    int bitCount = 0;
    for (std::size_t i = 0; i < body; ++i) {
        bits = (bits << 6 | sextets[static_cast<unsigned char>(text[i])]) & 0xFFFFFF;
        bitCount += 6;
        if (bitCount >= 8) {
            bitCount -= 8;
            result.bytes.push_back(static_cast<std::uint8_t>(bits >> bitCount));
        }
    }
    // The leftover bits are the padding bits of the last group; an encoder
    // always writes them as zero.
    if ((bits & ((1u << bitCount) - 1)) != 0) {
        result.bytes.clear();
        result.problem = "non-zero padding bits in the last base64 group";
    }
    return result;
}

}  // namespace tallwick::listen
