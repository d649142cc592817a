// An FFmpeg video encoder fed from a worker thread, so the render tick
// only queues a Frame and never waits for the codec. Encoded packets reach
// the callback on the worker thread, in decode order.
#pragma once

#include "export/Frame.h"

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

struct AVCodecContext;
struct AVFrame;
struct AVPacket;
struct SwsContext;

namespace tarnvik {

struct EncoderOptions {
    std::string codec = "libx264"; // an FFmpeg encoder name
    std::int64_t bitRate = 0;       // bits per second; 0 leaves it to the codec
    int keyFrameInterval = 30;      // frames; 0 leaves it to the codec
    double frameRate = 30;          // a hint for rate control
};

// Every time value is in 1/600 s.
inline constexpr int kTimeScale = 600;

class FrameEncoder {
public:
    using PacketCallback = std::function<void(AVPacket*)>;

    // Null on failure (logged). globalHeader: the container wants the codec
    // set-up out of band.
    static std::unique_ptr<FrameEncoder> create(const EncoderOptions& options, unsigned width, unsigned height,
                                                bool globalHeader, PacketCallback callback);
    ~FrameEncoder();
    FrameEncoder(const FrameEncoder&) = delete;
    FrameEncoder& operator=(const FrameEncoder&) = delete;

    const AVCodecContext* context() const { return ctx_; }

    // Queues a frame at pts (1/600 s). False when it is refused: wrong
    // size, a time not after the last one, the queue full (the encoder is
    // behind), or the encoder finished or failed.
    bool encode(FramePtr frame, std::int64_t pts);
    // Encodes everything queued and drains the codec; every packet has been
    // delivered when it returns. Nothing is accepted afterwards.
    bool finish();

private:
    FrameEncoder() = default;
    bool init(const EncoderOptions& options, unsigned width, unsigned height, bool globalHeader);
    void run();
    bool encodeOne(const Frame* frame, std::int64_t pts);

    struct Job {
        FramePtr frame; // null: drain and stop
        std::int64_t pts;
    };

    AVCodecContext* ctx_ = nullptr;
    AVFrame* picture_ = nullptr;
    AVPacket* packet_ = nullptr;
    SwsContext* sws_ = nullptr;
    PacketCallback callback_;
    unsigned width_ = 0, height_ = 0;

    std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<Job> queue_;
    std::int64_t lastPts_ = -1;
    bool finishing_ = false;
    bool failed_ = false;
    std::thread worker_;
};

} // namespace tarnvik
