#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace tallwick::listen {

struct JsonMember {
    std::string name;
    std::string value;
};

struct JsonObjectRead {
    // In the order they appear; names may repeat (JSON allows it, the caller decides).
    std::vector<JsonMember> members;
    // Empty when the whole text is one JSON object whose values are all strings.
    std::string problem;
    // Byte offset in the text where the problem was found.
    std::size_t offset = 0;

    bool ok() const { return problem.empty(); }
};

// Reads `text` as exactly one JSON object (RFC 8259) whose member values are all
// strings: white space between tokens, every escape including \u surrogate
// pairs, raw UTF-8. Anything else — another kind of value, trailing text, a lone
// surrogate, a raw control character, ill-formed UTF-8 — is refused with a
// description and an offset, never an exception. Nothing is nested, so nothing
// recurses: hostile input cannot exhaust the stack.
JsonObjectRead readJsonObject(std::string_view text);

}  // namespace tallwick::listen
