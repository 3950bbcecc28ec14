#pragma once

#include <string>
#include <string_view>

namespace tallwick {

// Appends `text` to `out` as a JSON string literal, quotes included, in the
// event stream's dialect: "/" is written "\/", control characters and the
// quotation mark and backslash are escaped, everything else is raw UTF-8. Bytes
// that are not valid UTF-8 become U+FFFD, one per maximal invalid subpart, so a
// line is always valid whatever bytes the platform handed us.
void appendJsonString(std::string& out, std::string_view text);

}  // namespace tallwick
