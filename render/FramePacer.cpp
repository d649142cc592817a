#include "render/FramePacer.h"

#include <cmath>

namespace tarnvik {

using Clock = FramePacer::Clock;
using namespace std::chrono_literals;

namespace {

// A gap between two frames longer than this is a cut, not a pause to wait out.
constexpr double kMaxStep = 5.0;
// Later than this behind the file's clock, the file's clock is moved instead
// of rushing through the frames to catch up.
constexpr auto kMaxLag = 250ms;

Clock::duration toDuration(double seconds) {
    return std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(seconds));
}

} // namespace

void FramePacer::anchor(double pts, Clock::time_point wall) {
    anchorPts_ = pts;
    anchorWall_ = wall;
}

void FramePacer::restart() { state_ = State::Fresh; }

void FramePacer::looped() {
    if (state_ != State::Fresh) state_ = State::Looped;
}

Clock::time_point FramePacer::due(double pts, Clock::time_point now) {
    if (state_ == State::Fresh) {
        if (!std::isfinite(pts)) pts = 0;
        anchor(pts, now);
    } else {
        if (!std::isfinite(pts)) pts = lastPts_ + interval_;
        const double step = pts - lastPts_;
        if (state_ == State::Looped || step < 0 || step > kMaxStep) {
            // Carry on one frame interval after the last frame, whatever the new timestamps.
            anchor(pts, lastDue_ + toDuration(interval_));
        } else if (step > 0 && step <= 1.0) {
            interval_ = step;
        }
    }
    state_ = State::Running;
    Clock::time_point due = anchorWall_ + toDuration(pts - anchorPts_);
    if (due < now - kMaxLag) {
        anchor(pts, now);
        due = now;
    }
    lastPts_ = pts;
    lastDue_ = due;
    return due;
}

} // namespace tarnvik
