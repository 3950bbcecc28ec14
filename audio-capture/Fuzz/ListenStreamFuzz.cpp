// Arbitrary bytes as an event stream for the inspector, cut into reads where
// the input says: it never crashes, accounts for every line exactly once, and
// reads back unchanged the message of a line the tool itself wrote.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "EventValidator.h"
#include "StreamInspection.h"
#include "Utf8.h"
#include "events/EventStream.h"

namespace {

bool wellFormedUtf8(std::string_view text) {
    for (std::size_t at = 0; at < text.size();) {
        const std::size_t length = tallwick::listen::utf8SequenceLength(text, at);
        if (length == 0) return false;
        at += length;
    }
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace tallwick::listen;
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);

    StreamInspection inspection([] { return ArrivalGaps::Instant{}; }, nullptr);
    const std::size_t readSize = size == 0 ? 1 : 1 + data[0] % 64;
    for (std::size_t at = 0; at < size; at += readSize) {
        inspection.feed(bytes.substr(at, readSize));
    }
    inspection.end(size % 2 == 0);
    std::size_t lines = 0;
    for (char c : bytes) lines += c == '\n';
    if (!bytes.empty() && bytes.back() != '\n') ++lines;
    const StreamTally& tally = inspection.tally();
    std::size_t counted = tally.invalidLines;
    for (std::size_t count : tally.byType) counted += count;
    if (tally.lines != lines || counted != lines) std::abort();

    if (wellFormedUtf8(bytes)) {
        std::string line = tallwick::formatEventLine("log", std::nullopt, bytes);
        line.pop_back();
        const EventCheck check = checkEventLine(line);
        if (!check.event || check.event->message != bytes) std::abort();
    }
    return 0;
}
