#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace tallwick::listen {

// `text` made safe to print on a terminal: printable ASCII and well-formed
// UTF-8 as they are, everything else (control bytes, escape sequences, broken
// UTF-8) as \xNN; cut after `maxBytes` of input, marked with "…".
std::string printable(std::string_view text, std::size_t maxBytes);

// The same, in quotation marks (the "…" after the closing one).
std::string quoteLine(std::string_view text, std::size_t maxBytes);

}  // namespace tallwick::listen
