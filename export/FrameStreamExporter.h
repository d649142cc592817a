// Sends the rendered frames out live as a network stream: low-delay H.264
// (no B-frames, a key frame every second, so a viewer who joins sees a
// picture at once) in MPEG-TS over SRT or UDP (see StreamOutput). While an
// SRT stream has no viewer, no frame is encoded; the viewer who connects
// starts with a key frame. A frame of another size starts a new encoder at
// that size, and the viewers stay.
#pragma once

#include "export/EncoderSession.h"
#include "export/StreamOutput.h"

#include <cstdint>
#include <memory>
#include <string>

namespace tarnvik {

struct StreamSettings {
    std::string url = "srt://0.0.0.0:9000?mode=listener";
    std::int64_t bitRate = 2'000'000; // bits per second at most
    double frameRate = 25;
};

class FrameStreamExporter {
public:
    // Null, with the reason in *why, when there is no H.264 encoder or the
    // output cannot start (see StreamOutput::start).
    static std::unique_ptr<FrameStreamExporter> create(const StreamSettings& settings, std::string* why);
    // Pending frames are dropped, as a live picture has no use for them.
    ~FrameStreamExporter();
    FrameStreamExporter(const FrameStreamExporter&) = delete;
    FrameStreamExporter& operator=(const FrameStreamExporter&) = delete;

    // seconds: the render time, rising. True when the frame went to the
    // encoder; false while nobody watches an SRT stream, and when it was
    // refused.
    bool exportFrame(FramePtr frame, double seconds);

    StreamOutput& output() const { return *output_; }
    std::int64_t framesEncoded() const { return encoded_; }
    // Frames not encoded because nobody was watching.
    std::int64_t framesUnwatched() const { return unwatched_; }
    // Refused by a busy encoder, over the sessions so far.
    std::int64_t framesDropped() const { return droppedBefore_ + (session_ ? session_->framesDropped() : 0); }

private:
    FrameStreamExporter() = default;
    bool startSession(unsigned width, unsigned height);

    StreamSettings settings_;
    std::shared_ptr<StreamOutput> output_;
    std::unique_ptr<EncoderSession> session_;
    unsigned width_ = 0, height_ = 0;
    bool sessionFailed_ = false; // at this size; logged once
    bool keyPending_ = false;    // a key frame asked for was refused
    std::int64_t encoded_ = 0;
    std::int64_t unwatched_ = 0;
    std::int64_t droppedBefore_ = 0;
};

} // namespace tarnvik
