#include "LevelTimeline.h"

#include <algorithm>
#include <cmath>

namespace tallwick::listen {

namespace {
constexpr std::uint64_t maxReachFrames = 8000;  // 0.5 s at 16 kHz
}  // namespace

void LevelTimeline::add(std::uint64_t audioFrame, double level) {
    readings_.push_back({audioFrame, level});
    peak_ = std::max(peak_, level);
}

std::string LevelTimeline::sparkline(std::uint64_t totalFrames, std::size_t columns) const {
    static const char* const blocks[] = {"▁", "▂", "▃", "▄", "▅", "▆", "▇", "█"};
    if (columns == 0) {
        return {};
    }
    std::vector<double> loudest(columns, -1.0);
    const std::uint64_t span = std::max<std::uint64_t>(totalFrames, 1);
    const auto columnOf = [&](std::uint64_t frame) {
        return static_cast<std::size_t>(std::min<std::uint64_t>(frame * columns / span, columns - 1));
    };
    // A reading stands for the sound until the next one (readings are
    // throttled, not missing), but no longer than half a second.
    for (std::size_t i = 0; i < readings_.size(); ++i) {
        const std::uint64_t from = readings_[i].audioFrame;
        std::uint64_t until = std::min(from + maxReachFrames, span);
        if (i + 1 < readings_.size()) {
            until = std::min(until, readings_[i + 1].audioFrame);
        }
        const std::size_t last = until > from ? columnOf(until - 1) : columnOf(from);
        for (std::size_t column = columnOf(from); column <= last; ++column) {
            loudest[column] = std::max(loudest[column], readings_[i].level);
        }
    }
    std::string line;
    for (double level : loudest) {
        if (level < 0.0) {
            line += ' ';
            continue;
        }
        const auto step = static_cast<std::size_t>(std::ceil(std::clamp(level, 0.0, 1.0) * 8.0));
        line += blocks[step == 0 ? 0 : step - 1];
    }
    return line;
}

}  // namespace tallwick::listen
