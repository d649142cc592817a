// What the video layer's sources read, as they read it: a source's picture
// stream when it opens, its packets, its decoded pictures and its end. The
// recorder's clean copy listens here, so that the camera's own picture can
// be kept without decoding it twice or touching the overlay. One listener
// at a time; while there is none, a source pays one atomic load a packet.
#pragma once

#include <atomic>
#include <memory>
#include <mutex>

struct AVFrame;
struct AVPacket;
struct AVStream;

namespace tarnvik {

class VideoTapListener {
public:
    virtual ~VideoTapListener() = default;
    // On the source's decoding thread. source tells the sources apart; the
    // stream and what it reads are valid during the call only.
    virtual void streamOpened(const void* source, const AVStream* stream) = 0;
    virtual void packetRead(const void* source, const AVPacket* packet) = 0;
    virtual void pictureDecoded(const void* source, const AVFrame* picture) = 0;
    virtual void streamClosed(const void* source) = 0;
};

class VideoTap {
public:
    // The one the video layer's sources report to.
    static VideoTap& shared();

    // Null stops listening. A source opened before hears of the listener
    // with its next packet.
    void setListener(std::shared_ptr<VideoTapListener> listener);
    std::shared_ptr<VideoTapListener> listener() const;

private:
    mutable std::mutex mutex_;
    std::shared_ptr<VideoTapListener> listener_;
    std::atomic<bool> listening_{false};
};

} // namespace tarnvik
