#include "platform/pulse/LostAudioDetector.h"

#include <algorithm>
#include <utility>

namespace tallwick {

LostAudioDetector::LostAudioDetector(double frameRate) : frameRate_(frameRate) {}

void LostAudioDetector::arrived(std::uint64_t frames, double nowSeconds) {
    if (!startedAt_) {
        // What the first arrival carries was recorded before it: the count starts after it.
        startedAt_ = nowSeconds;
        return;
    }
    framesSince_ += frames;
    const double lag = nowSeconds - *startedAt_ - static_cast<double>(framesSince_) / frameRate_;
    smallestLag_ = std::min(lag, smallestLag_.value_or(lag));
}

std::optional<double> LostAudioDetector::check() {
    const auto lag = std::exchange(smallestLag_, std::nullopt);
    if (!lag) {
        // Nothing arrived: nothing to compare yet.
        return std::nullopt;
    }
    if (!baseline_) {
        baseline_ = lag;
        return std::nullopt;
    }
    if (*lag > *baseline_ + threshold) {
        if (!risen_) {
            risen_ = lag;
            return std::nullopt;
        }
        const double lost = std::min(*lag, *std::exchange(risen_, std::nullopt)) - *baseline_;
        *baseline_ += lost;
        return lost;
    }
    risen_.reset();
    baseline_ = std::max(std::min(*baseline_, *lag), *lag - driftStep);
    return std::nullopt;
}

void LostAudioDetector::restart() {
    startedAt_.reset();
    framesSince_ = 0;
    smallestLag_.reset();
    baseline_.reset();
    risen_.reset();
}

}  // namespace tallwick
