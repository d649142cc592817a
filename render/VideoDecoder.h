// Decodes the camera picture (a file, a V4L2 device or a network stream) on a
// thread of its own, keeping only the newest frame for the scene to show.
#pragma once

#include "render/FramePacer.h"

#include <QImage>
#include <QString>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

struct AVFrame;
struct AVPacket;

namespace tarnvik {

enum class VideoSourceKind {
    None,    // empty: nothing to decode
    File,    // a path, or a file:// URL
    Device,  // a path under /dev/, read as V4L2
    Network, // any other URL: rtsp://, udp://, http://...
};

VideoSourceKind videoSourceKind(const QString& source);

class VideoDecoder {
public:
    struct Options {
        // Files wait for their timestamps; off, they decode as fast as they can.
        bool pace = true;
        // Longest wait for a network or device source to open or to deliver data.
        std::chrono::milliseconds ioTimeout{5000};
        // Pause before opening a failed source again.
        std::chrono::milliseconds retryInterval{3000};
    };

    VideoDecoder();
    explicit VideoDecoder(Options options);
    ~VideoDecoder();
    VideoDecoder(const VideoDecoder&) = delete;
    VideoDecoder& operator=(const VideoDecoder&) = delete;

    // Called on the decoding thread after each new frame; it must be quick and
    // thread-safe. Set it while stopped.
    void setFrameCallback(std::function<void()> callback);

    // Stops any earlier source and starts this one. Files and devices are opened
    // here, so false means that they cannot be read (logged, and in lastError()).
    // Network streams are opened on the decoding thread so that a slow server
    // cannot block the caller: true unless the URL's protocol is unknown.
    // Once running, a failing source keeps its last frame and is opened again
    // every retryInterval; an outage is logged once.
    // start(), stop() and setFrameCallback() belong to the owning thread; the
    // rest may be called from any thread.
    bool start(const QString& source);
    // Interrupts any blocking read and joins the thread. The last frame stays.
    void stop();
    bool isRunning() const { return worker_.joinable(); }
    QString source() const { return source_; }

    bool hasFrame() const;
    // The newest frame (RGB32, or premultiplied ARGB32 for sources with alpha),
    // with square pixels; serial, when given, is set to its frameSerial().
    QImage latestFrame(quint64* serial = nullptr) const;
    // Counts the frames decoded; a consumer compares it to tell a new frame.
    quint64 frameSerial() const;
    // True as soon as frameSerial() > newerThan; false after timeoutMs.
    bool waitForFrame(int timeoutMs, quint64 newerThan = 0) const;

    // The latest failure since start(), as logged: one line naming the source
    // and FFmpeg's reason. Empty when there was none.
    QString lastError() const;
    // True as soon as lastError() is not empty; false after timeoutMs.
    bool waitForError(int timeoutMs) const;

private:
    struct Input;
    enum class Outcome { Stopped, Reopen, Failed };

    std::unique_ptr<Input> open(QString& error);
    void run(std::unique_ptr<Input> input);
    Outcome play(Input& in, QString& error);
    bool decode(Input& in, const AVPacket* packet, bool& gotFrame, QString& error);
    bool show(Input& in, const AVFrame* frame, QString& error);
    void publish(QImage image);
    void fail(const QString& reason);
    // Waits on the stop signal; true when stop() was called.
    bool waitStopped(std::chrono::steady_clock::time_point until);
    static int interruptCallback(void* opaque);

    const Options options_;
    QString source_;
    VideoSourceKind kind_ = VideoSourceKind::None;
    std::function<void()> callback_;
    FramePacer pacer_;
    bool failing_ = false; // logged as failing and no frame since, so that an outage logs once

    mutable std::mutex mutex_;
    mutable std::condition_variable changed_;
    QImage frame_;
    quint64 serial_ = 0;
    QString error_;
    std::atomic<bool> stopping_{false};

    std::thread worker_;
};

} // namespace tarnvik
