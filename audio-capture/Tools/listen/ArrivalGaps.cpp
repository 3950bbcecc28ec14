#include "ArrivalGaps.h"

namespace tallwick::listen {

ArrivalGaps::ArrivalGaps(std::chrono::milliseconds threshold) : threshold_(threshold) {}

void ArrivalGaps::add(Instant arrival, std::uint64_t frames, std::size_t lineNumber,
                      std::uint64_t audioFrame) {
    if (previous_) {
        // The chunk's audio was being captured during the interval before it
        // arrived; only the part of the interval it does not cover is a stall.
        const auto carried = std::chrono::microseconds(frames * 1'000'000 / 16000);
        const auto excess =
            std::chrono::duration_cast<std::chrono::milliseconds>(arrival - *previous_ - carried);
        if (excess >= threshold_) {
            ++count_;
            if (excess > longest_) {
                longest_ = excess;
            }
            if (first_.size() < keptGaps) {
                first_.push_back({lineNumber, audioFrame, excess});
            }
        }
    }
    previous_ = arrival;
}

}  // namespace tallwick::listen
