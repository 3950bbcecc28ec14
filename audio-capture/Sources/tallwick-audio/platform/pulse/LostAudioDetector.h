#pragma once

#include <cstdint>
#include <optional>

namespace tallwick {

// Finds audio that a sound server lost on its way to us. libpulse tells a
// record stream of no overflow, so a server that dropped what it could not
// hold while we did not read (this process frozen, the server stalled) shows
// only as fewer frames than the clock says have passed.
//
// The lag, the seconds the clock counts since the first arrival less the
// seconds of audio that arrived since, is what is still in flight plus what
// was lost. Its smallest value in each period between checks leaves the
// in-flight part out once the stream has caught up. A rise of that smallest
// lag by more than `threshold`, seen at two checks in a row (a backlog can
// take a moment to arrive), is a loss; smaller rises are the device's clock
// drifting against ours, and are followed.
class LostAudioDetector {
public:
    static constexpr double threshold = 0.5;
    static constexpr double driftStep = 0.1;

    explicit LostAudioDetector(double frameRate);

    // `frames` arrived at `nowSeconds` (any monotonic clock).
    void arrived(std::uint64_t frames, double nowSeconds);
    // Called about once a second; the seconds of audio newly found lost.
    std::optional<double> check();
    // The source stopped or starts again on purpose (suspended, resumed):
    // what the clock counts from here on is measured afresh.
    void restart();

private:
    double frameRate_;
    std::optional<double> startedAt_;
    std::uint64_t framesSince_ = 0;
    std::optional<double> smallestLag_;
    std::optional<double> baseline_;
    std::optional<double> risen_;
};

}  // namespace tallwick
