#include "export/FrameStreamExporter.h"

#include <QtGlobal>

#include <algorithm>
#include <cmath>

namespace tarnvik {

std::unique_ptr<FrameStreamExporter> FrameStreamExporter::create(const StreamSettings& settings, std::string* why) {
    if (!codecAvailable(kCodecH264)) {
        if (why) *why = "this FFmpeg has no H.264 encoder (libx264)";
        return nullptr;
    }
    std::unique_ptr<FrameStreamExporter> e(new FrameStreamExporter);
    e->settings_ = settings;
    if (!(e->settings_.frameRate > 0)) e->settings_.frameRate = 25;
    e->output_ = StreamOutput::start(settings.url, why);
    if (!e->output_) return nullptr;
    return e;
}

// The session goes first: its sink points at the output.
FrameStreamExporter::~FrameStreamExporter() { session_.reset(); }

bool FrameStreamExporter::startSession(unsigned width, unsigned height) {
    if (session_) droppedBefore_ += session_->framesDropped();
    session_.reset();
    width_ = width;
    height_ = height;
    CompressionOptions o;
    o.allowAsynchronousCompletion = true; // the render tick never waits
    o.lowDelay = true;
    o.frameRate = settings_.frameRate;
    // A key frame every second: a viewer who joins waits no longer for a picture.
    o.keyFrameInterval = std::max(1, int(std::lround(settings_.frameRate)));
    o.dataRate = std::max<std::int64_t>(1, settings_.bitRate / 8);
    // SPS and PPS in band, before every key frame, as MPEG-TS carries them.
    session_ = EncoderSession::create(kCodecH264, width, height, o, false);
    if (!session_ || session_->attach(std::make_shared<StreamSink>(output_)) != 0) {
        session_.reset();
        if (!sessionFailed_) qWarning("Network stream %s: no encoder for %ux%u", output_->url().c_str(), width, height);
        sessionFailed_ = true;
        return false;
    }
    sessionFailed_ = false;
    return true;
}

bool FrameStreamExporter::exportFrame(FramePtr frame, double seconds) {
    if (!frame) return false;
    if (output_->waitsForViewers() && !output_->watched()) {
        ++unwatched_;
        return false;
    }
    bool key = output_->takeKeyFrameRequest() || keyPending_;
    if (frame->width() != width_ || frame->height() != height_ || (!session_ && !sessionFailed_)) {
        if (!startSession(frame->width(), frame->height())) return false;
        key = true;
    }
    if (!session_) return false;
    // A duration of its own: the packet goes out without waiting for the next frame.
    if (!session_->compressFrame(std::move(frame), seconds, 1.0 / settings_.frameRate, key)) {
        // The next frame is the key frame then: a viewer must not wait a second for it.
        keyPending_ = key;
        return false;
    }
    keyPending_ = false;
    ++encoded_;
    return true;
}

} // namespace tarnvik
