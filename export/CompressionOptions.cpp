#include "export/CompressionOptions.h"

#include <QtGlobal>

#include <algorithm>
#include <cmath>
#include <new>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/dict.h>
#include <libavutil/error.h>
#include <libavutil/rational.h>
}

namespace tarnvik {

namespace {

// Linear between the points of a quality → setting table.
double interpolate(const std::vector<std::pair<int, double>>& table, int quality) {
    quality = std::clamp(quality, kQualityMin, kQualityLossless);
    for (std::size_t i = 1; i < table.size(); ++i)
        if (quality <= table[i].first) {
            const auto [q0, v0] = table[i - 1];
            const auto [q1, v1] = table[i];
            return v0 + (v1 - v0) * (quality - q0) / double(q1 - q0);
        }
    return table.back().second;
}

} // namespace

std::string fourCCText(std::uint32_t code) {
    std::string s(4, ' ');
    for (int i = 0; i < 4; ++i) s[std::size_t(i)] = char(code >> (24 - 8 * i));
    return s;
}

CompressionOptionsPtr defaultCompressionOptions() {
    try {
        return std::make_shared<CompressionOptions>();
    } catch (const std::bad_alloc&) {
        qWarning("ICMCompressionSessionOptionsCreate() failed with error %i", AVERROR(ENOMEM));
        return nullptr;
    }
}

const std::vector<CodecInfo>& movieCodecs() {
    static const std::vector<CodecInfo> codecs{
        {kCodecH264, "H.264", "libx264"},
        {kCodecProRes422, "Apple ProRes 422", "prores_ks"},
        {kCodecMotionJPEG, "Motion JPEG", "mjpeg"},
        {kCodecPNG, "PNG", "png"},
        {kCodecAnimation, "Animation", "qtrle"},
    };
    return codecs;
}

const CodecInfo* codecInfo(std::uint32_t type) {
    static const CodecInfo dv[] = {{kCodecDVNTSC, "DV - NTSC", "dvvideo"}, {kCodecDVPAL, "DV - PAL", "dvvideo"}};
    for (const CodecInfo& c : movieCodecs())
        if (c.type == type) return &c;
    for (const CodecInfo& c : dv)
        if (c.type == type) return &c;
    return nullptr;
}

bool codecAvailable(std::uint32_t type) {
    const CodecInfo* info = codecInfo(type);
    return info && avcodec_find_encoder_by_name(info->encoder);
}

void applyCompressionOptions(const CompressionOptions& options, std::uint32_t codecType, AVCodecContext* ctx,
                             AVDictionary** privateOptions) {
    const int q = options.quality;
    const double rate = options.frameRate > 0 ? options.frameRate : 25.0;
    ctx->framerate = av_d2q(rate, 100000);
    if (options.keyFrameInterval > 0) ctx->gop_size = options.keyFrameInterval;
    if (options.dataRate > 0) {
        // A ceiling, as the dialog's data rate is, not a target.
        ctx->rc_max_rate = options.dataRate * 8;
        ctx->rc_buffer_size = int(std::min<std::int64_t>(options.dataRate * 8, INT32_MAX));
        ctx->bit_rate = options.dataRate * 8;
    }
    char text[32];
    switch (codecType) {
    case kCodecH264: {
        // Constant quality; fast enough to keep up in real time on two cores.
        const double crf = interpolate({{0, 40}, {256, 30}, {512, 23}, {768, 18}, {1023, 12}, {1024, 0}}, q);
        std::snprintf(text, sizeof text, "%.1f", crf);
        av_dict_set(privateOptions, "crf", text, 0);
        av_dict_set(privateOptions, "preset", "veryfast", 0);
        if (options.lowDelay) av_dict_set(privateOptions, "tune", "zerolatency", 0);
        if (options.dataRate > 0) ctx->bit_rate = 0; // capped constant quality
        break;
    }
    case kCodecProRes422: {
        // The encoder reads its own option, not the context's profile.
        av_dict_set(privateOptions, "profile",
                    q < kQualityLow ? "proxy" : q < kQualityNormal ? "lt" : q < kQualityHigh ? "standard" : "hq", 0);
        break;
    }
    case kCodecMotionJPEG: {
        const int qscale = int(std::lround(interpolate({{0, 31}, {1024, 2}}, q)));
        ctx->flags |= AV_CODEC_FLAG_QSCALE;
        ctx->global_quality = FF_QP2LAMBDA * qscale;
        break;
    }
    case kCodecDVNTSC:
    case kCodecDVPAL:
        // DV's rate is fixed; the aspect ratio reaches the frame headers
        // through the sample aspect ratio.
        ctx->bit_rate = 0;
        ctx->sample_aspect_ratio = codecType == kCodecDVPAL
                                       ? (options.wideScreen ? AVRational{64, 45} : AVRational{16, 15})
                                       : (options.wideScreen ? AVRational{32, 27} : AVRational{8, 9});
        break;
    default:
        break; // PNG and Animation are lossless
    }
}

} // namespace tarnvik
