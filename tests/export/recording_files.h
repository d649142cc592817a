// A recording's file as a player reads it, every track: the video's packets
// and the marks painted into its pictures, the text track's cues and the
// movie's tags. Frames are marked with their number (markFrame) so that a
// test can tell that none was lost or written twice.
#pragma once

#include "export/EncoderSession.h"
#include "export/MovieFileSink.h"

#include <QByteArray>
#include <QFile>
#include <QString>

#include <algorithm>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
}

namespace tarnvik::test {

// Paints the frame's number into it: its left half in steps of 16 for
// number % 16, its right half for number / 16 (up to 255), so that a lossy
// codec keeps it.
inline void markFrame(Frame& f, int number) {
    const std::uint8_t low = std::uint8_t(number % 16 * 16 + 8), high = std::uint8_t(number / 16 % 16 * 16 + 8);
    for (unsigned y = 0; y < f.height(); ++y)
        for (unsigned x = 0; x < f.width(); ++x) {
            std::uint8_t* p = f.row(y) + x * 4;
            const std::uint8_t v = x < f.width() / 2 ? low : high;
            p[0] = 255, p[1] = v, p[2] = v, p[3] = v;
        }
}

struct Cue {
    std::int64_t pts; // 1/600 s
    QString text;
};

struct RecordingFile {
    bool opened = false;
    AVCodecID codec = AV_CODEC_ID_NONE;
    AVRational timeBase{0, 1};
    std::vector<std::int64_t> pts; // of the video packets, in file order
    std::vector<bool> keys;
    std::vector<QByteArray> packets; // their bytes
    std::vector<int> marks;          // markFrame's number in each decoded picture
    std::vector<Cue> cues;
    std::map<std::string, std::string> tags;
};

inline int readMark(const AVFrame* f) {
    // Luma of a grey: near enough to the painted value for a lossy codec.
    if (f->format != AV_PIX_FMT_YUV420P && f->format != AV_PIX_FMT_YUVJ420P) return -1;
    auto at = [&](int x) {
        const int y = f->data[0][(f->height / 2) * f->linesize[0] + x];
        const int full = f->format == AV_PIX_FMT_YUVJ420P ? y : (y - 16) * 255 / 219;
        return std::clamp(full / 16, 0, 15);
    };
    return at(f->width / 4) + 16 * at(f->width * 3 / 4);
}

// An H.264 movie of marked frames at 25 per second, a key frame every
// keyInterval: a camera's file.
inline bool writeMarkedClip(const QString& path, int frames, int keyInterval, unsigned width = 64,
                            unsigned height = 48) {
    CompressionOptions o;
    o.keyFrameInterval = keyInterval;
    auto session = EncoderSession::create(kCodecH264, width, height, o, true);
    auto pool = FramePool::create(width, height);
    if (!session || session->attach(MovieFileSink::create(path)) != 0) return false;
    for (int i = 0; i < frames; ++i) {
        FramePtr f = pool->take();
        markFrame(*f, i);
        if (!session->compressFrameAt(f, 24 * i, 0)) return false;
    }
    return session->flush();
}

inline RecordingFile readRecording(const QString& path, bool decode = true) {
    RecordingFile r;
    AVFormatContext* fmt = nullptr;
    const QByteArray file = QFile::encodeName(path);
    if (avformat_open_input(&fmt, file.constData(), nullptr, nullptr) < 0) return r;
    r.opened = avformat_find_stream_info(fmt, nullptr) >= 0;
    for (const AVDictionaryEntry* e = nullptr; (e = av_dict_get(fmt->metadata, "", e, AV_DICT_IGNORE_SUFFIX));)
        r.tags[e->key] = e->value;
    const int video = av_find_best_stream(fmt, AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
    AVCodecContext* dec = nullptr;
    if (video >= 0) {
        const AVStream* st = fmt->streams[video];
        r.codec = st->codecpar->codec_id;
        r.timeBase = st->time_base;
        const AVCodec* codec = avcodec_find_decoder(r.codec);
        dec = avcodec_alloc_context3(codec);
        avcodec_parameters_to_context(dec, st->codecpar);
        if (!decode || avcodec_open2(dec, codec, nullptr) < 0) avcodec_free_context(&dec);
    }
    AVPacket* pkt = av_packet_alloc();
    AVFrame* frame = av_frame_alloc();
    auto drain = [&] {
        while (dec && avcodec_receive_frame(dec, frame) >= 0) r.marks.push_back(readMark(frame));
    };
    while (av_read_frame(fmt, pkt) >= 0) {
        const AVStream* st = fmt->streams[pkt->stream_index];
        if (pkt->stream_index == video) {
            r.pts.push_back(pkt->pts);
            r.keys.push_back(pkt->flags & AV_PKT_FLAG_KEY);
            r.packets.emplace_back(reinterpret_cast<const char*>(pkt->data), pkt->size);
            if (dec && avcodec_send_packet(dec, pkt) >= 0) drain();
        } else if (st->codecpar->codec_id == AV_CODEC_ID_MOV_TEXT && pkt->size >= 2) {
            const int length = pkt->data[0] << 8 | pkt->data[1];
            if (length > 0)
                r.cues.push_back(
                    {av_rescale_q(pkt->pts, st->time_base, AVRational{1, 600}),
                     QString::fromUtf8(reinterpret_cast<const char*>(pkt->data) + 2, std::min(length, pkt->size - 2))});
        }
        av_packet_unref(pkt);
    }
    if (dec && avcodec_send_packet(dec, nullptr) >= 0) drain();
    av_frame_free(&frame);
    av_packet_free(&pkt);
    avcodec_free_context(&dec);
    avformat_close_input(&fmt);
    return r;
}

} // namespace tarnvik::test
