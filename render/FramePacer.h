// When each frame of a file is due, so that a file plays at its own speed.
#pragma once

#include <chrono>

namespace tarnvik {

// Maps the timestamps of a file's frames onto a steady clock. Time is passed
// in, never read, so that it can be driven by hand.
class FramePacer {
public:
    using Clock = std::chrono::steady_clock;

    // When the frame with this timestamp (seconds; NaN when unknown) is due.
    // After a jump in the timestamps the frames carry on one interval after
    // the last, instead of stalling; far behind, the count starts anew from
    // now, instead of rushing through frames.
    Clock::time_point due(double pts, Clock::time_point now);
    // The next frame is due at once.
    void restart();
    // The file began again: its first frame follows on from the last one.
    void looped();

private:
    enum class State { Fresh, Running, Looped };
    void anchor(double pts, Clock::time_point wall);

    State state_ = State::Fresh;
    Clock::time_point anchorWall_{};
    double anchorPts_ = 0;
    Clock::time_point lastDue_{};
    double lastPts_ = 0;
    double interval_ = 0.04;
};

} // namespace tarnvik
