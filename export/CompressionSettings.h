// What the user chose for a movie recording (codec, quality, data rate, key
// frames, frame rate) and its form as one byte block, so that the choice
// can be kept between runs.
#pragma once

#include "export/CompressionOptions.h"

#include <QByteArray>

#include <cstdint>

namespace tarnvik {

struct CompressionSettings {
    std::uint32_t codec = kCodecH264;
    int quality = kQualityHigh;
    std::int64_t dataRate = 0; // bytes per second; 0: no limit
    int keyFrameInterval = 25; // 0: the codec's choice
    double frameRate = 25;

    QByteArray serialize() const;
    // 0, or a negative code for a block that is not ours or out of range;
    // *this is left as it was then.
    int parse(const QByteArray& block);
    CompressionOptions options() const;

    friend bool operator==(const CompressionSettings&, const CompressionSettings&) = default;
};

} // namespace tarnvik
