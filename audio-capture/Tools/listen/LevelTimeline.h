#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace tallwick::listen {

// The "level" readings of a run placed on the audio's own time line, drawn as
// a one-line sparkline: a quick look at when there was sound and how loud.
class LevelTimeline {
public:
    // `audioFrame`: where the chunk the reading measured starts.
    void add(std::uint64_t audioFrame, double level);

    std::size_t count() const { return readings_.size(); }
    double peak() const { return peak_; }

    // `columns` characters, each the loudest reading in its slice of
    // [0, totalFrames): a space where there was none, then ▁ to █ for 0 to 1.
    // Readings are taken in time order; each holds until the next, 0.5 s at most.
    std::string sparkline(std::uint64_t totalFrames, std::size_t columns) const;

private:
    struct Reading {
        std::uint64_t audioFrame;
        double level;
    };
    std::vector<Reading> readings_;
    double peak_ = 0.0;
};

}  // namespace tallwick::listen
