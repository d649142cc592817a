// What an encoder is asked for: the codec by its four-character QuickTime
// code, and the options a user chooses (quality, data rate, key frames).
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

struct AVCodecContext;
struct AVDictionary;

namespace tarnvik {

constexpr std::uint32_t fourCC(const char (&code)[5]) {
    return std::uint32_t(std::uint8_t(code[0])) << 24 | std::uint32_t(std::uint8_t(code[1])) << 16 |
           std::uint32_t(std::uint8_t(code[2])) << 8 | std::uint32_t(std::uint8_t(code[3]));
}
std::string fourCCText(std::uint32_t code);

inline constexpr std::uint32_t kCodecH264 = fourCC("avc1");
inline constexpr std::uint32_t kCodecProRes422 = fourCC("apcn");
inline constexpr std::uint32_t kCodecMotionJPEG = fourCC("jpeg");
inline constexpr std::uint32_t kCodecPNG = fourCC("png ");
inline constexpr std::uint32_t kCodecAnimation = fourCC("rle ");
inline constexpr std::uint32_t kCodecDVNTSC = fourCC("dvc ");
inline constexpr std::uint32_t kCodecDVPAL = fourCC("dvcp");

// Spatial quality on the classic 0…1024 scale.
inline constexpr int kQualityMin = 0;
inline constexpr int kQualityLow = 256;
inline constexpr int kQualityNormal = 512;
inline constexpr int kQualityHigh = 768;
inline constexpr int kQualityMax = 1023;
inline constexpr int kQualityLossless = 1024;

struct CodecInfo {
    std::uint32_t type;
    const char* title;   // shown in the compression dialog
    const char* encoder; // FFmpeg's encoder name
};

// The codecs a movie can be recorded with, in the dialog's order.
const std::vector<CodecInfo>& movieCodecs();
// Null for a code we have no encoder for.
const CodecInfo* codecInfo(std::uint32_t type);
// Whether this FFmpeg build has the codec's encoder.
bool codecAvailable(std::uint32_t type);

struct CompressionOptions {
    int quality = kQualityNormal;
    std::int64_t dataRate = 0;  // bytes per second at most; 0: no limit
    int keyFrameInterval = 0;   // frames between key frames; 0: the codec's choice
    double frameRate = 0;       // a hint for rate control; 0: 25
    // Encode on a worker thread; encoded frames then arrive there.
    bool allowAsynchronousCompletion = false;
    // Each frame's packet before the next frame is taken: no look-ahead.
    bool lowDelay = false;
    // DV only: carried into the frames' headers.
    bool progressive = false;
    bool wideScreen = false;
};
using CompressionOptionsPtr = std::shared_ptr<CompressionOptions>;

// Options as they come before anyone chooses; null, logged, when memory runs out.
CompressionOptionsPtr defaultCompressionOptions();

// Puts the options into an encoder about to be opened, as codec fields and
// private options for avcodec_open2.
void applyCompressionOptions(const CompressionOptions& options, std::uint32_t codecType, AVCodecContext* ctx,
                             AVDictionary** privateOptions);

} // namespace tarnvik
