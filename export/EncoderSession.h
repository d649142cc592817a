// One encoder fed with Frames and their times in seconds, handing every
// encoded packet to the sinks attached to it (a movie file, a live video
// output, ...). Times become 1/600 s, truncated; a NaN or negative time is
// passed on as not known. A frame timed but given no duration lasts until
// the next frame's time, so its packet waits for that frame; the last one
// lasts as long as the one before it. A worker session encodes on its own
// thread and refuses frames while it is behind (counted, and logged once
// for each run of them) rather than make the caller wait.
#pragma once

#include "export/CompressionOptions.h"
#include "export/Frame.h"
#include "export/PacketSink.h"

#include <atomic>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <vector>

struct AVPacket;

namespace tarnvik {

class FrameEncoder;

class EncoderSession {
public:
    // Null on failure (logged). options.allowAsynchronousCompletion asks for
    // the worker thread. globalHeader: the sinks keep the codec's set-up out
    // of band, as movie containers do.
    static std::unique_ptr<EncoderSession> create(std::uint32_t codecType, unsigned width, unsigned height,
                                                  const CompressionOptions& options, bool globalHeader = false);
    // Ends the session (see end()).
    ~EncoderSession();
    EncoderSession(const EncoderSession&) = delete;
    EncoderSession& operator=(const EncoderSession&) = delete;

    // Opens the sink and attaches it, at any time until the session ends: it
    // gets the packets from the next key frame on. 0, or the sink's error.
    int attach(std::shared_ptr<PacketSink> sink);
    // Hands over from one sink to the next at a frame, as a split recording
    // does: sink is opened and attached now and gets the packets from the
    // first key frame timed at or after from (1/600 s); previous, when
    // given, gets every packet before that one and is then closed on the
    // thread that delivers. No frame is lost or written twice, whichever
    // thread delivers. 0, or the sink's error (previous then goes on).
    int attachAt(std::shared_ptr<PacketSink> sink, std::int64_t from, const PacketSink* previous);
    // Detaches and closes the sink: no packet reaches it after this returns.
    void detach(const PacketSink* sink);

    // True when the frame was accepted. keyFrame: the frame is encoded as a
    // key frame whatever the key-frame interval, so that a sink attached
    // just before it starts with it.
    bool compressFrame(FramePtr frame, double timeStamp, double duration, bool keyFrame = false);
    // The same with times already in 1/600 s: a negative time is not known,
    // a duration of 0 comes from the next frame.
    bool compressFrameAt(FramePtr frame, std::int64_t timeStamp, std::int64_t duration, bool keyFrame = false);
    // Completes every pending frame: all have reached the sinks, which are
    // then closed, when it returns. No frame is taken afterwards.
    bool flush();
    // Ends at once: pending frames are dropped and the sinks closed.
    void end();

    const SessionFormat& format() const { return format_; }
    // Frames refused because the worker was behind, so far.
    std::int64_t framesDropped() const { return dropped_.load(); }

private:
    struct Times {
        std::int64_t pts = 0;
        bool ptsValid = false;
        std::int64_t duration = 0; // 0: from the next frame
    };
    struct Attached {
        std::shared_ptr<PacketSink> sink;
        bool started = false;                  // a key frame has reached it
        std::int64_t from = -1;                // its first packet is timed at or after this
        const PacketSink* takesOver = nullptr; // closed when this one starts
    };

    EncoderSession() = default;
    bool init(std::uint32_t codecType, unsigned width, unsigned height, const CompressionOptions& options,
              bool globalHeader);
    void packetArrived(int error, AVPacket* packet);
    void deliver(const AVPacket* packet, const Times& times, std::int64_t duration);
    void closeSinks();

    std::unique_ptr<FrameEncoder> encoder_;
    AVCodecParameters* parameters_ = nullptr;
    SessionFormat format_;
    std::int64_t nominalDuration_ = 24; // one frame at 25 per second
    std::int64_t lastPts_ = -1;
    std::atomic<std::int64_t> dropped_{0};
    bool dropLogged_ = false;

    // Times of the frames in the encoder, oldest first.
    std::mutex timesMutex_;
    std::deque<Times> pending_;
    // A frame whose duration comes from the next one waits here; touched
    // only on the thread that delivers.
    AVPacket* held_ = nullptr;
    Times heldTimes_;
    std::int64_t lastDuration_ = 0;

    // Held while a packet is handed out, so that a detached sink hears no more.
    std::mutex sinksMutex_;
    std::vector<Attached> sinks_;
    bool ended_ = false;
};

} // namespace tarnvik
