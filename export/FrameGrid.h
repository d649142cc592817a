// Puts frames taken at render times on the grid of a constant frame rate,
// so that editing programs see a constant rate and not the jitter of the
// render tick. Each frame takes the next place while its time is within
// three quarters of a frame of it, so jitter never moves a frame. A frame
// later than that takes the place nearest its time, and the places it
// skipped show the frame before, repeated (a few at most: beyond that the
// gap stays, an exact number of frames); a frame earlier than that is left
// out. A clock set back by more than a couple of seconds does not stop the
// grid: it goes on from there.
#pragma once

#include <cstdint>

namespace tarnvik {

class FrameGrid {
public:
    // step: one frame in 1/600 s (24 at 25 per second); maxRepeats: the most
    // places filled with the frame before.
    explicit FrameGrid(int step = 24, int maxRepeats = 4);
    // The step of a frame rate, in 1/600 s; 25 per second for a rate that is not positive.
    static int stepFor(double frameRate);

    struct Place {
        std::int64_t slot = -1; // the frame's place; < 0: leave the frame out
        int repeats = 0;        // places right before it that repeat the frame before
    };
    // seconds: the render time of the frame; the first frame is place 0.
    Place place(double seconds);

    int step() const { return step_; }
    // A place's time from the first frame, in 1/600 s.
    std::int64_t timeOf(std::int64_t slot) const { return slot * step_; }
    // The last place given; -1 before the first frame.
    std::int64_t last() const { return last_; }

private:
    int step_;
    int maxRepeats_;
    double origin_ = 0; // the time of place 0
    std::int64_t last_ = -1;
};

} // namespace tarnvik
