// What a player makes of our output: one compressed frame decoded, or a
// file read back with libavformat, its first frame as an image.
#pragma once

#include <QByteArray>
#include <QFile>
#include <QImage>
#include <QString>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libswscale/swscale.h>
}

namespace tarnvik::test {

// A decoded frame as an ARGB32 image.
inline QImage toImage(const AVFrame* frame) {
    QImage image(frame->width, frame->height, QImage::Format_ARGB32); // B, G, R, A in memory
    SwsContext* sws = sws_getContext(frame->width, frame->height, AVPixelFormat(frame->format), frame->width,
                                     frame->height, AV_PIX_FMT_BGRA, SWS_POINT, nullptr, nullptr, nullptr);
    std::uint8_t* dst[1] = {image.bits()};
    const int dstStride[1] = {int(image.bytesPerLine())};
    sws_scale(sws, frame->data, frame->linesize, 0, frame->height, dst, dstStride);
    sws_freeContext(sws);
    return image;
}

// One compressed frame; a null image when it does not decode.
inline QImage decodeFrame(AVCodecID codecId, const QByteArray& bytes) {
    QImage image;
    const AVCodec* codec = avcodec_find_decoder(codecId);
    AVCodecContext* ctx = avcodec_alloc_context3(codec);
    AVPacket* packet = av_packet_alloc();
    AVFrame* frame = av_frame_alloc();
    if (ctx && packet && frame && avcodec_open2(ctx, codec, nullptr) >= 0 &&
        av_new_packet(packet, int(bytes.size())) >= 0) {
        std::memcpy(packet->data, bytes.constData(), std::size_t(bytes.size()));
        if (avcodec_send_packet(ctx, packet) >= 0 && avcodec_receive_frame(ctx, frame) >= 0) image = toImage(frame);
    }
    av_frame_free(&frame);
    av_packet_free(&packet);
    avcodec_free_context(&ctx);
    return image;
}

struct Playback {
    bool opened = false;
    int videoStreams = 0;
    int width = 0, height = 0;
    AVCodecID codec = AV_CODEC_ID_NONE;
    AVRational timeBase{0, 1};
    double frameRate = 0;
    double sampleAspect = 0;
    std::vector<std::int64_t> pts; // of the video packets
    int decoded = 0;               // frames that decode
    QImage first;
};

// format: the demuxer to use; null to let FFmpeg guess.
inline Playback play(const QString& path, const char* format = nullptr) {
    Playback p;
    AVFormatContext* fmt = nullptr;
    const QByteArray file = QFile::encodeName(path);
    if (avformat_open_input(&fmt, file.constData(), format ? av_find_input_format(format) : nullptr, nullptr) < 0)
        return p;
    p.opened = avformat_find_stream_info(fmt, nullptr) >= 0;
    int index = -1;
    for (unsigned i = 0; i < fmt->nb_streams; ++i)
        if (fmt->streams[i]->codecpar->codec_type == AVMEDIA_TYPE_VIDEO) {
            ++p.videoStreams;
            index = int(i);
        }
    if (index >= 0) {
        AVStream* st = fmt->streams[index];
        p.width = st->codecpar->width;
        p.height = st->codecpar->height;
        p.codec = st->codecpar->codec_id;
        p.timeBase = st->time_base;
        p.frameRate = av_q2d(st->avg_frame_rate);
        p.sampleAspect = av_q2d(av_guess_sample_aspect_ratio(fmt, st, nullptr));
        const AVCodec* codec = avcodec_find_decoder(p.codec);
        AVCodecContext* dec = avcodec_alloc_context3(codec);
        avcodec_parameters_to_context(dec, st->codecpar);
        avcodec_open2(dec, codec, nullptr);
        AVPacket* pkt = av_packet_alloc();
        AVFrame* frame = av_frame_alloc();
        while (av_read_frame(fmt, pkt) >= 0) {
            if (pkt->stream_index == index) {
                p.pts.push_back(pkt->pts);
                if (avcodec_send_packet(dec, pkt) >= 0 && avcodec_receive_frame(dec, frame) >= 0 &&
                    p.decoded++ == 0)
                    p.first = toImage(frame);
            }
            av_packet_unref(pkt);
        }
        av_frame_free(&frame);
        av_packet_free(&pkt);
        avcodec_free_context(&dec);
    }
    avformat_close_input(&fmt);
    return p;
}

// Near enough for a lossy codec's colours.
inline bool near(QRgb a, QRgb b) {
    return std::abs(qRed(a) - qRed(b)) < 24 && std::abs(qGreen(a) - qGreen(b)) < 24 &&
           std::abs(qBlue(a) - qBlue(b)) < 24;
}

} // namespace tarnvik::test
