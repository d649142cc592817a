// The two DV formats a live output plays: their size, rate, codec and the
// output's display mode, and the one frame-header flag FFmpeg does not set.
#pragma once

#include <cstddef>
#include <cstdint>

namespace tarnvik {

struct DVFormat {
    unsigned width = 0;
    unsigned height = 0;
    float frameRate = 0;        // single precision, as the format table has it
    std::uint32_t codecType = 0; // 0: no such format
    int displayMode = 0;
};

// 0: NTSC 720×480 at 29.97, "dvc "; 1: PAL 720×576 at 25, "dvcp"; any
// other: all zero.
DVFormat dvFormat(int format);

// Marks every frame in a DV stream as progressive: clears the interlace bit
// of the video-control pack in each VAUX block. Blocks past the last whole
// one are left alone.
void markDVProgressive(std::uint8_t* data, std::size_t size);
// Whether the first video-control pack says interlaced; false when there is none.
bool dvInterlaced(const std::uint8_t* data, std::size_t size);

} // namespace tarnvik
