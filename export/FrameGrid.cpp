#include "export/FrameGrid.h"

#include "export/PacketSink.h"

#include <algorithm>
#include <cmath>

namespace tarnvik {

namespace {
// How far a frame's time may be from the next place and still take it, in frames.
constexpr double kHold = 0.75;
// A clock set back by more than this many frames starts the grid afresh.
constexpr std::int64_t kResetFrames = 50;
} // namespace

FrameGrid::FrameGrid(int step, int maxRepeats) : step_(std::max(1, step)), maxRepeats_(std::max(0, maxRepeats)) {}

int FrameGrid::stepFor(double frameRate) {
    if (!(frameRate > 0) || !std::isfinite(frameRate)) frameRate = 25;
    return int(std::clamp<long long>(std::llround(kTimeScale / frameRate), 1, kTimeScale));
}

FrameGrid::Place FrameGrid::place(double seconds) {
    if (!std::isfinite(seconds)) return {};
    const double frame = double(step_) / kTimeScale;
    if (last_ < 0) {
        origin_ = seconds;
        last_ = 0;
        return {0, 0};
    }
    double at = (seconds - origin_) / frame;
    if (at < double(last_ - kResetFrames)) {
        origin_ = seconds - double(last_ + 1) * frame;
        at = double(last_ + 1);
    }
    const double next = double(last_ + 1);
    if (at < next - kHold) return {};
    Place p{last_ + 1, 0};
    if (at >= next + kHold) {
        p.slot = std::max<std::int64_t>(std::llround(std::min(at, 1e15)), last_ + 2);
        p.repeats = int(std::min<std::int64_t>(p.slot - last_ - 1, maxRepeats_));
    }
    last_ = p.slot;
    return p;
}

} // namespace tarnvik
