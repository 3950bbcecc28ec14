#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

namespace tallwick {

// RFC 4648 base64, standard alphabet, padded, no line breaks.
constexpr std::size_t base64EncodedLength(std::size_t byteCount) {
    return (byteCount + 2) / 3 * 4;
}

// Writes exactly base64EncodedLength(bytes.size()) characters at `out`.
void base64Encode(std::span<const std::uint8_t> bytes, char* out);

std::string base64Encode(std::span<const std::uint8_t> bytes);

}  // namespace tallwick
