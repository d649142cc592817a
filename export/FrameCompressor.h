// The base of the exporters: one encoder session fed with Frames and time
// stamps in seconds, handing every encoded frame to doneCompressingFrame,
// which the exporters override to store or send it. Options come empty from
// defaultOptions, or from the user through the shell's compression dialog.
#pragma once

#include "export/CompressionOptions.h"
#include "export/Frame.h"

#include <atomic>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>

struct AVCodecContext;
struct AVPacket;

namespace tarnvik {

class FrameEncoder;

// One encoded frame as the session hands it out; valid during the call.
struct EncodedFrame {
    const std::uint8_t* data = nullptr;
    std::size_t size = 0;
    std::int64_t timeStamp = 0;      // display time, 1/600 s
    bool timeStampValid = false;
    std::int64_t decodeDuration = 0; // 1/600 s; 0 when not known
    bool keyFrame = false;
    const AVPacket* packet = nullptr;
};

class FrameCompressor {
public:
    static CompressionOptionsPtr defaultOptions();

    virtual ~FrameCompressor();
    FrameCompressor(const FrameCompressor&) = delete;
    FrameCompressor& operator=(const FrameCompressor&) = delete;

    // Seconds; a NaN or negative time stamp or duration is passed as not
    // known. True when the frame was accepted.
    bool compressFrame(FramePtr frame, double timeStamp, double duration);
    // Completes every pending frame: all have reached doneCompressingFrame
    // when it returns. The session takes no frames afterwards.
    bool flushFrames();

    // The session's encoded-frame callback: a non-zero error is returned as
    // it is and nothing else happens; otherwise the frame goes to
    // context's doneCompressingFrame.
    static int frameOutputCallback(FrameCompressor* context, int error, const EncodedFrame* frame);

    // Frames refused because the encoder was behind, so far.
    std::int64_t framesDropped() const { return dropped_.load(); }
    const AVCodecContext* codecContext() const;

protected:
    FrameCompressor();
    // False on failure (logged). globalHeader: for containers that keep the
    // codec's set-up out of band.
    bool initCompressor(std::uint32_t codecType, unsigned width, unsigned height, const CompressionOptions& options,
                        bool globalHeader = false);
    // May run on the encoder's thread. The base does nothing.
    virtual void doneCompressingFrame(const EncodedFrame& frame);
    // Ends the session without completing pending frames; no frame reaches
    // doneCompressingFrame afterwards. Subclasses call it (or flushFrames)
    // before their own members go.
    void endSession();

private:
    void packetArrived(int error, AVPacket* packet);
    void deliver(AVPacket* packet, std::int64_t duration);

    std::unique_ptr<FrameEncoder> session_;
    std::int64_t nominalDuration_ = 24; // one frame at 25 per second
    std::int64_t lastPts_ = -1;
    std::atomic<std::int64_t> dropped_{0};
    bool dropLogged_ = false;

    // Times of the frames in the session, oldest first; guarded by mutex_.
    struct Pending {
        std::int64_t pts;
        bool ptsValid;
        std::int64_t duration; // 0: from the next frame
    };
    std::mutex mutex_;
    std::deque<Pending> pending_;
    // A frame whose duration comes from the next one waits for it here;
    // touched only on the thread that delivers.
    AVPacket* held_ = nullptr;
    Pending heldTimes_{};
    std::int64_t lastDuration_ = 0;
};

} // namespace tarnvik
