#include "export/FrameGrid.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

using namespace tarnvik;

namespace {

// Render times in frames of 1/25 s from a start at 100 s; each frame's place
// (-1: left out) and the repeats before it.
TEST(FrameGrid, PlacesFramesOnTheNearestPlaceAndFillsOrDropsTheRest) {
    struct Case {
        const char* what;
        std::vector<double> at;
        std::vector<std::int64_t> slots;
        std::vector<int> repeats;
    } cases[] = {
        {"jitter of a third of a frame", {0, 1.3, 1.7, 3.3, 3.7, 5}, {0, 1, 2, 3, 4, 5}, {0, 0, 0, 0, 0, 0}},
        {"drift of half a frame does not flap", {0, 1, 2.4, 3.6, 4.4, 5.6}, {0, 1, 2, 3, 4, 5}, {0, 0, 0, 0, 0, 0}},
        {"a late tick repeats the frame before",
         {0, 1, 3.8, 4.8, 5.8, 6.1, 7},
         {0, 1, 4, 5, 6, -1, 7},
         {0, 0, 2, 0, 0, 0, 0}},
        {"an early tick is left out", {0, 1, 1.2, 2, 3}, {0, 1, -1, 2, 3}, {0, 0, 0, 0, 0}},
        {"a long stall leaves an exact gap", {0, 1, 40, 41}, {0, 1, 40, 41}, {0, 0, 4, 0}},
        {"a clock set back goes on from there", {0, 1, 2, -500, -499}, {0, 1, 2, 3, 4}, {0, 0, 0, 0, 0}},
        {"no time is left out", {0, NAN, 1}, {0, -1, 1}, {0, 0, 0}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        FrameGrid grid(24);
        for (std::size_t i = 0; i < c.at.size(); ++i) {
            const FrameGrid::Place p = grid.place(100 + c.at[i] * 0.04);
            EXPECT_EQ(p.slot, c.slots[i]) << i;
            EXPECT_EQ(p.repeats, c.repeats[i]) << i;
        }
    }
    EXPECT_EQ(FrameGrid::stepFor(25), 24);
    EXPECT_EQ(FrameGrid::stepFor(30), 20);
    EXPECT_EQ(FrameGrid::stepFor(0), 24);
}

} // namespace
