// Arbitrary bytes as message and data: every event is exactly one line of
// valid UTF-8 JSON that reads back as the input with invalid sequences replaced.
#include <fcntl.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "events/EventStream.h"

namespace {

bool validUtf8(const std::string& text) {
    std::size_t i = 0;
    while (i < text.size()) {
        const auto c = static_cast<unsigned char>(text[i]);
        std::size_t length = c < 0x80 ? 1 : (c >> 5) == 6 ? 2 : (c >> 4) == 14 ? 3 : (c >> 3) == 30 ? 4 : 0;
        if (length == 0 || i + length > text.size()) return false;
        std::uint32_t code = length == 1 ? c : c & (0x7F >> length);
        for (std::size_t k = 1; k < length; ++k) {
            const auto d = static_cast<unsigned char>(text[i + k]);
            if ((d & 0xC0) != 0x80) return false;
            code = code << 6 | (d & 0x3F);
        }
        const std::uint32_t minimum[] = {0, 0, 0x80, 0x800, 0x10000};
        if (code < minimum[length] || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return false;
        i += length;
    }
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const int devNull = ::open("/dev/null", O_WRONLY);
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    const std::size_t half = size / 2;
    const std::string line = tallwick::formatEventLine("log", bytes.substr(0, half), bytes.substr(half));
    if (line.empty() || line.back() != '\n') std::abort();
    if (line.find('\n') != line.size() - 1) std::abort();
    if (!validUtf8(line)) std::abort();
    if (line.find('/') != std::string::npos) {
        for (std::size_t at = line.find('/'); at != std::string::npos; at = line.find('/', at + 1)) {
            if (line[at - 1] != '\\') std::abort();
        }
    }
    for (unsigned char c : line.substr(0, line.size() - 1)) {
        if (c < 0x20) std::abort();
    }
    tallwick::EventStream stream(devNull);
    stream.emit("error", std::nullopt, bytes);
    return 0;
}
