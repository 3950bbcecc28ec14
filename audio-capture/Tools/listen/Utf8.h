#pragma once

#include <cstddef>
#include <string_view>

namespace tallwick::listen {

// Length of the well-formed UTF-8 sequence that starts at `text[at]`, or 0 if
// the bytes there are not one (overlong forms, surrogates and code points above
// U+10FFFF are not well-formed).
std::size_t utf8SequenceLength(std::string_view text, std::size_t at);

}  // namespace tallwick::listen
