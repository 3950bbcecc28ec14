#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tallwick::listen {

struct Base64Decoded {
    std::vector<std::uint8_t> bytes;
    // Empty when the text was valid.
    std::string problem;

    bool ok() const { return problem.empty(); }
};

// Decodes RFC 4648 base64 in the form the tool writes it: standard alphabet,
// padded to a multiple of four, no line breaks or white space, and the unused
// bits of the last group zero. A decoder that let any of these slide would hide
// exactly the corruption this inspector exists to find.
Base64Decoded base64Decode(std::string_view text);

}  // namespace tallwick::listen
