#include "export/DVFormat.h"

#include "export/CompressionOptions.h"
#include "export/VideoOutput.h"

namespace tarnvik {

namespace {

constexpr std::size_t kBlock = 80;          // one DIF block
constexpr std::uint8_t kSectionVAUX = 2;    // section type, top three bits of a block's first byte
constexpr std::uint8_t kVideoControl = 0x61; // pack carrying frame/field and interlace flags
constexpr std::uint8_t kInterlaced = 0x10;  // in the pack's fourth byte

// The video-control packs of the VAUX blocks: after a 3-byte block ID, 15
// packs of 5 bytes.
template <typename Byte, typename F>
void forEachVideoControl(Byte* data, std::size_t size, F&& f) {
    for (std::size_t b = 0; b + kBlock <= size; b += kBlock) {
        if ((data[b] >> 5) != kSectionVAUX) continue;
        for (std::size_t p = b + 3; p + 5 <= b + kBlock; p += 5)
            if (data[p] == kVideoControl && !f(data + p)) return;
    }
}

} // namespace

DVFormat dvFormat(int format) {
    switch (format) {
    case 0:
        return {720, 480, 29.97f, kCodecDVNTSC, kDisplayModeNTSC};
    case 1:
        return {720, 576, 25.0f, kCodecDVPAL, kDisplayModePAL};
    default:
        return {};
    }
}

void markDVProgressive(std::uint8_t* data, std::size_t size) {
    if (!data) return;
    forEachVideoControl(data, size, [](std::uint8_t* pack) {
        pack[3] &= std::uint8_t(~kInterlaced);
        return true;
    });
}

bool dvInterlaced(const std::uint8_t* data, std::size_t size) {
    bool interlaced = false;
    if (!data) return false;
    forEachVideoControl(data, size, [&](const std::uint8_t* pack) {
        interlaced = pack[3] & kInterlaced;
        return false;
    });
    return interlaced;
}

} // namespace tarnvik
