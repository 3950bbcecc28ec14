#pragma once

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace tallwick::listen {

// What was left after the last line feed when the input ended.
struct UnterminatedLine {
    std::string_view head;  // its start (all of it, unless it was over the limit)
    std::size_t length = 0;
};

// Cuts a byte stream into lines at line feeds, however the reads fall. A line
// may not grow past `maxLineLength` bytes: beyond that its bytes are counted
// and dropped up to the next line feed, so hostile input costs bounded memory,
// and only its head is kept for the report.
class LineSplitter {
public:
    static constexpr std::size_t defaultMaxLineLength = std::size_t{16} << 20;
    static constexpr std::size_t headLength = 200;

    struct Handlers {
        std::function<void(std::string_view line)> line;  // without its line feed
        std::function<void(std::size_t length, std::string_view head)> oversizeLine;
    };

    explicit LineSplitter(Handlers handlers, std::size_t maxLineLength = defaultMaxLineLength);

    void feed(std::string_view bytes);

    // The unterminated rest, if any; call once the input has ended.
    std::optional<UnterminatedLine> remainder() const;

private:
    void takeWithoutLineFeed(std::string_view bytes);

    Handlers handlers_;
    std::size_t maxLineLength_;
    std::string partial_;
    bool overLimit_ = false;
    std::size_t overLimitLength_ = 0;
};

}  // namespace tallwick::listen
