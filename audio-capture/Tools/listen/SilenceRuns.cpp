#include "SilenceRuns.h"

namespace tallwick::listen {

SilenceRuns::SilenceRuns(std::uint64_t minimumFrames) : minimumFrames_(minimumFrames) {}

void SilenceRuns::closeRun() {
    if (runFrames_ >= minimumFrames_) {
        ++count_;
        totalFrames_ += runFrames_;
        if (first_.size() < keptRuns) {
            first_.push_back({runStart_, runFrames_});
        }
    }
    runFrames_ = 0;
}

void SilenceRuns::add(std::span<const std::uint8_t> pcm) {
    for (std::size_t i = 0; i + 1 < pcm.size(); i += 2, ++frame_) {
        if (pcm[i] == 0 && pcm[i + 1] == 0) {
            if (runFrames_ == 0) {
                runStart_ = frame_;
            }
            ++runFrames_;
        } else if (runFrames_ > 0) {
            closeRun();
        }
    }
}

void SilenceRuns::finish() {
    closeRun();
}

}  // namespace tallwick::listen
