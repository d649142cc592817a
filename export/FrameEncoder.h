// An FFmpeg video encoder for Frames. Asynchronous: frames are queued and
// encoded on a worker thread, so the render tick never waits for the codec,
// and packets reach the callback there. Synchronous: each frame is encoded
// at once and its packets reach the callback before encode returns.
#pragma once

#include "export/CompressionOptions.h"
#include "export/Frame.h"

#include <QByteArray>

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

struct AVCodecContext;
struct AVFrame;
struct AVPacket;
struct SwsContext;

namespace tarnvik {

class FrameEncoder {
public:
    // error: 0 with a packet, or a negative code with none (the codec failed).
    using PacketCallback = std::function<void(int error, AVPacket* packet)>;

    // Null on failure, with FFmpeg's code in *error and its text in *detail.
    // globalHeader: the container wants the codec set-up out of band.
    static std::unique_ptr<FrameEncoder> create(std::uint32_t codecType, const CompressionOptions& options,
                                                unsigned width, unsigned height, bool globalHeader,
                                                PacketCallback callback, int* error, QByteArray* detail);
    ~FrameEncoder();
    FrameEncoder(const FrameEncoder&) = delete;
    FrameEncoder& operator=(const FrameEncoder&) = delete;

    const AVCodecContext* context() const { return ctx_; }
    bool asynchronous() const { return asynchronous_; }

    // Encodes or queues a frame at pts (1/600 s), as a key frame when asked
    // (codecs that choose their key frames by count alone, Animation, do
    // not hear it). 0, or a negative code: EINVAL for a wrong size or a time
    // not after the last one, EAGAIN when the queue is full (the worker is
    // behind), EOF once finished, or the codec's own error.
    int encode(FramePtr frame, std::int64_t pts, bool keyFrame = false);
    // Encodes everything queued and drains the codec: every packet has
    // reached the callback when it returns. 0 or the first codec error.
    // Nothing is taken afterwards.
    int finish();
    // Stops at once: queued frames are dropped and no packet reaches the
    // callback after it returns.
    void abandon();

private:
    FrameEncoder() = default;
    int init(std::uint32_t codecType, const CompressionOptions& options, unsigned width, unsigned height,
             bool globalHeader, QByteArray* detail);
    void run();
    int encodeOne(const Frame* frame, std::int64_t pts, bool keyFrame);
    void stopWorker(bool drain);

    struct Job {
        FramePtr frame; // null: drain and stop
        std::int64_t pts;
        bool keyFrame;
    };

    AVCodecContext* ctx_ = nullptr;
    AVFrame* picture_ = nullptr;
    AVPacket* packet_ = nullptr;
    SwsContext* sws_ = nullptr;
    PacketCallback callback_;
    unsigned width_ = 0, height_ = 0;
    bool asynchronous_ = false;
    bool progressiveDV_ = false;

    std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<Job> queue_;
    std::int64_t lastPts_ = -1;
    bool finishing_ = false;
    bool abandoned_ = false;
    int error_ = 0;
    std::thread worker_;
};

} // namespace tarnvik
