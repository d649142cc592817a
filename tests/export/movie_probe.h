// Reads a movie back with libavformat, as a player would: whether it opens
// and the times of its video frames.
#pragma once

#include <QFile>
#include <QString>

#include <cstdint>
#include <vector>

extern "C" {
#include <libavformat/avformat.h>
}

namespace tarnvik::test {

struct MovieFrames {
    bool opened = false;
    std::vector<std::int64_t> pts; // in the stream's time base
    AVRational timeBase{1, 600};
    // The frames' durations as the file gives them, added up (a packet's
    // own duration as read is not the one in its fragment).
    std::int64_t duration = 0;
    double seconds() const { return double(duration) * av_q2d(timeBase); }
};

inline MovieFrames readMovie(const QString& path) {
    MovieFrames m;
    AVFormatContext* fmt = nullptr;
    if (avformat_open_input(&fmt, QFile::encodeName(path).constData(), nullptr, nullptr) < 0) return m;
    m.opened = avformat_find_stream_info(fmt, nullptr) >= 0 && fmt->nb_streams == 1;
    if (m.opened) {
        m.timeBase = fmt->streams[0]->time_base;
        m.duration = fmt->streams[0]->duration;
        AVPacket* pkt = av_packet_alloc();
        while (av_read_frame(fmt, pkt) >= 0) {
            m.pts.push_back(pkt->pts);
            av_packet_unref(pkt);
        }
        av_packet_free(&pkt);
    }
    avformat_close_input(&fmt);
    return m;
}

} // namespace tarnvik::test
