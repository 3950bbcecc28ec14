// Finding audio the server lost from what arrives against the clock.
#include "platform/pulse/LostAudioDetector.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace tallwick {
namespace {

constexpr double rate = 1000.0;

// A record stream as the mainloop sees it: 20 ms pieces on a clock of our
// own, checked once a second, as the backend does.
class Recording {
  public:
    // `seconds` of audio arriving as it is recorded, by a device whose clock
    // runs `speed` times ours.
    void play(double seconds, double speed = 1.0) {
        for (int i = 0; i < static_cast<int>(std::lround(seconds / 0.02)); ++i) {
            advance(0.02);
            owed_ += 0.02 * rate * speed;
            const auto frames = static_cast<std::uint64_t>(owed_);
            owed_ -= static_cast<double>(frames);
            detector_.arrived(frames, now_);
        }
    }
    // Nothing arrives for `seconds`, then what the server held, at once.
    void stall(double seconds, double heldSeconds) {
        advance(seconds);
        detector_.arrived(static_cast<std::uint64_t>(heldSeconds * rate), now_);
    }
    void restart() { detector_.restart(); }
    const std::vector<double>& reports() const { return reports_; }

  private:
    void advance(double seconds) {
        now_ += seconds;
        while (now_ >= nextCheck_) {
            nextCheck_ += 1.0;
            if (const auto lost = detector_.check()) {
                reports_.push_back(*lost);
            }
        }
    }

    LostAudioDetector detector_{rate};
    double now_ = 100.0;
    double nextCheck_ = 101.0;
    double owed_ = 0;
    std::vector<double> reports_;
};

TEST(LostAudioDetector, ReportsOnlyWhatTheServerCouldNotHold) {
    struct Case {
        const char* name;
        double stalled;
        double held;
        std::vector<double> reported;
    };
    const std::vector<Case> cases = {
        {"a stall the server buffered whole", 8.0, 8.0, {}},
        {"a 30 s stall, 10 s of it held", 30.0, 10.0, {20.0}},
        {"a 60 s stall, 24 s of it held", 60.0, 24.0, {36.0}},
    };
    for (const auto& c : cases) {
        Recording recording;
        recording.play(5);
        recording.stall(c.stalled, c.held);
        recording.play(5);
        ASSERT_EQ(recording.reports().size(), c.reported.size()) << c.name;
        for (std::size_t i = 0; i < c.reported.size(); ++i) {
            EXPECT_NEAR(recording.reports()[i], c.reported[i], 0.03) << c.name;
        }
    }
}

TEST(LostAudioDetector, FollowsADriftingClockAndASuspendedSource) {
    Recording drifting;
    // A device clock 0.1 % slow loses a whole second against ours over 1000 s.
    drifting.play(1000, 0.999);
    EXPECT_TRUE(drifting.reports().empty());

    Recording suspended;
    suspended.play(5);
    suspended.restart();
    suspended.stall(20, 0);
    suspended.restart();
    suspended.play(5);
    EXPECT_TRUE(suspended.reports().empty());
}

}  // namespace
}  // namespace tallwick
