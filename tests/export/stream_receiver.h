// A viewer of a network stream, as an ordinary player is one: libavformat
// reads the URL on a thread of its own and every picture is decoded. It
// leaves when told, or when nothing has come for a few seconds.
#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/dict.h>
}

namespace tarnvik::test {

class StreamReceiver {
public:
    struct Picture {
        int width, height;
        std::int64_t pts; // 1/90000 s
        bool key;
    };

    // url: udp://127.0.0.1:PORT binds that port; srt://HOST:PORT calls a listener.
    explicit StreamReceiver(std::string url) : url_(std::move(url)) {
        thread_ = std::thread([this] { run(); });
    }
    ~StreamReceiver() { leave(); }
    StreamReceiver(const StreamReceiver&) = delete;
    StreamReceiver& operator=(const StreamReceiver&) = delete;

    // Stops reading and closes the connection.
    void leave() {
        leaving_ = true;
        if (thread_.joinable()) thread_.join();
    }
    std::size_t count() const {
        std::lock_guard lock(mutex_);
        return pictures_.size();
    }
    std::vector<Picture> pictures() const {
        std::lock_guard lock(mutex_);
        return pictures_;
    }
    bool opened() const { return opened_; }
    bool done() const { return done_; }

private:
    static int interrupt(void* self) { return static_cast<StreamReceiver*>(self)->leaving_ ? 1 : 0; }

    void run() {
        AVFormatContext* fmt = avformat_alloc_context();
        fmt->interrupt_callback = {&StreamReceiver::interrupt, this};
        AVDictionary* o = nullptr;
        av_dict_set(&o, "timeout", "5000000", 0); // µs without data: the stream is over
        av_dict_set(&o, "analyzeduration", "1000000", 0);
        if (avformat_open_input(&fmt, url_.c_str(), av_find_input_format("mpegts"), &o) == 0) {
            opened_ = true;
            read(fmt);
            avformat_close_input(&fmt);
        } else {
            avformat_free_context(fmt);
        }
        av_dict_free(&o);
        done_ = true;
    }

    void read(AVFormatContext* fmt) {
        if (avformat_find_stream_info(fmt, nullptr) < 0 || fmt->nb_streams < 1) return;
        const AVStream* st = fmt->streams[0];
        const AVCodec* codec = avcodec_find_decoder(st->codecpar->codec_id);
        AVCodecContext* dec = avcodec_alloc_context3(codec);
        avcodec_parameters_to_context(dec, st->codecpar);
        AVPacket* pkt = av_packet_alloc();
        AVFrame* frame = av_frame_alloc();
        if (avcodec_open2(dec, codec, nullptr) == 0) {
            while (!leaving_ && av_read_frame(fmt, pkt) >= 0) {
                if (avcodec_send_packet(dec, pkt) >= 0)
                    while (avcodec_receive_frame(dec, frame) >= 0) {
                        std::lock_guard lock(mutex_);
                        pictures_.push_back({frame->width, frame->height, frame->pts, bool(frame->key_frame)});
                    }
                av_packet_unref(pkt);
            }
        }
        av_frame_free(&frame);
        av_packet_free(&pkt);
        avcodec_free_context(&dec);
    }

    std::string url_;
    std::thread thread_;
    std::atomic<bool> leaving_{false}, opened_{false}, done_{false};
    mutable std::mutex mutex_;
    std::vector<Picture> pictures_;
};

} // namespace tarnvik::test
