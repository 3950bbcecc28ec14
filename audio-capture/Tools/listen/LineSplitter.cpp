#include "LineSplitter.h"

#include <algorithm>

namespace tallwick::listen {

LineSplitter::LineSplitter(Handlers handlers, std::size_t maxLineLength)
    : handlers_(std::move(handlers)), maxLineLength_(maxLineLength) {}

void LineSplitter::takeWithoutLineFeed(std::string_view bytes) {
    if (overLimit_) {
        overLimitLength_ += bytes.size();
        return;
    }
    if (partial_.size() + bytes.size() > maxLineLength_) {
        overLimit_ = true;
        overLimitLength_ = partial_.size() + bytes.size();
        if (partial_.size() < headLength) {
            partial_.append(bytes.substr(0, headLength - partial_.size()));
        }
        partial_.resize(std::min(partial_.size(), headLength));
        partial_.shrink_to_fit();
        return;
    }
    partial_.append(bytes);
}

void LineSplitter::feed(std::string_view bytes) {
    while (!bytes.empty()) {
        const std::size_t lineFeed = bytes.find('\n');
        if (lineFeed == std::string_view::npos) {
            takeWithoutLineFeed(bytes);
            return;
        }
        const std::string_view piece = bytes.substr(0, lineFeed);
        bytes.remove_prefix(lineFeed + 1);
        if (!overLimit_ && partial_.empty() && piece.size() <= maxLineLength_) {
            // The whole line lies in this read: no copy.
            handlers_.line(piece);
            continue;
        }
        takeWithoutLineFeed(piece);
        if (overLimit_) {
            handlers_.oversizeLine(overLimitLength_, partial_);
            overLimit_ = false;
            overLimitLength_ = 0;
        } else {
            handlers_.line(partial_);
        }
        partial_.clear();
    }
}

std::optional<UnterminatedLine> LineSplitter::remainder() const {
    if (overLimit_) {
        return UnterminatedLine{partial_, overLimitLength_};
    }
    if (partial_.empty()) {
        return std::nullopt;
    }
    return UnterminatedLine{partial_, partial_.size()};
}

}  // namespace tallwick::listen
