#include "export/FrameCompressor.h"

#include "export/AvError.h"
#include "export/FrameEncoder.h"

#include <QtGlobal>

#include <cmath>

extern "C" {
#include <libavcodec/avcodec.h>
}

namespace tarnvik {

namespace {

// Seconds as 1/600 s, truncated towards zero; -1 for a NaN, negative or
// unrepresentable time.
std::int64_t toTimeScale(double seconds) {
    if (!(seconds >= 0) || !(seconds < 1e12)) return -1;
    return std::int64_t(seconds * kTimeScale);
}

} // namespace

FrameCompressor::FrameCompressor() = default;

FrameCompressor::~FrameCompressor() {
    endSession();
    av_packet_free(&held_);
}

const AVCodecContext* FrameCompressor::codecContext() const { return session_ ? session_->context() : nullptr; }

bool FrameCompressor::initCompressor(std::uint32_t codecType, unsigned width, unsigned height,
                                     const CompressionOptions& options, bool globalHeader) {
    held_ = av_packet_alloc();
    if (!held_) {
        qWarning("Memory allocation failed");
        return false;
    }
    if (options.frameRate > 0) nominalDuration_ = std::max<std::int64_t>(1, std::llround(kTimeScale / options.frameRate));
    int err = 0;
    QByteArray detail;
    session_ = FrameEncoder::create(
        codecType, options, width, height, globalHeader, [this](int e, AVPacket* p) { packetArrived(e, p); }, &err,
        &detail);
    if (!session_) {
        qWarning("ICMCompressionSessionCreate() failed with error %i (%s)", err, detail.constData());
        return false;
    }
    return true;
}

bool FrameCompressor::compressFrame(FramePtr frame, double timeStamp, double duration) {
    if (!session_) return false;
    std::int64_t pts = toTimeScale(timeStamp);
    const bool ptsValid = pts >= 0;
    // The codec needs rising times even where the caller gives none.
    if (!ptsValid) pts = lastPts_ < 0 ? 0 : lastPts_ + nominalDuration_;
    const std::int64_t given = std::max<std::int64_t>(0, toTimeScale(duration));
    {
        std::lock_guard lock(mutex_);
        pending_.push_back({pts, ptsValid, given});
    }
    const int err = session_->encode(std::move(frame), pts);
    if (err == 0) {
        lastPts_ = pts;
        if (dropLogged_) {
            qWarning("The encoder caught up; %lld frames were dropped", static_cast<long long>(dropped_.load()));
            dropLogged_ = false;
        }
        return true;
    }
    {
        std::lock_guard lock(mutex_);
        if (!pending_.empty() && pending_.back().pts == pts) pending_.pop_back();
    }
    if (err == AVERROR(EAGAIN)) {
        ++dropped_;
        // One line per run of drops: a slow encoder would flood the log.
        if (dropLogged_) return false;
        dropLogged_ = true;
        qWarning("ICMCompressionSessionEncodeFrame() failed with error %i (the encoder is behind; frames are "
                 "dropped until it catches up)",
                 err);
        return false;
    }
    qWarning("ICMCompressionSessionEncodeFrame() failed with error %i (%s)", err, avErrorText(err).constData());
    return false;
}

bool FrameCompressor::flushFrames() {
    if (!session_) return false;
    const int err = session_->finish();
    if (held_ && held_->data) deliver(held_, lastDuration_ > 0 ? lastDuration_ : nominalDuration_);
    if (err != 0) {
        qWarning("ICMCompressionSessionCompleteFrames() failed with error %i (%s)", err, avErrorText(err).constData());
        return false;
    }
    return true;
}

void FrameCompressor::endSession() {
    if (session_) session_->abandon();
    session_.reset();
}

int FrameCompressor::frameOutputCallback(FrameCompressor* context, int error, const EncodedFrame* frame) {
    if (error != 0) return error;
    if (context && frame) context->doneCompressingFrame(*frame);
    return 0;
}

void FrameCompressor::doneCompressingFrame(const EncodedFrame&) {}

void FrameCompressor::packetArrived(int error, AVPacket* packet) {
    if (error != 0) {
        qWarning("ICMCompressionSessionEncodeFrame() failed with error %i (%s)", error, avErrorText(error).constData());
        frameOutputCallback(this, error, nullptr);
        return;
    }
    Pending times{packet->pts, true, 0};
    {
        std::lock_guard lock(mutex_);
        // Frames the codec dropped leave their times behind; skip them.
        while (!pending_.empty() && pending_.front().pts < packet->pts) pending_.pop_front();
        if (!pending_.empty() && pending_.front().pts == packet->pts) {
            times = pending_.front();
            pending_.pop_front();
        }
    }
    const bool fromNext = times.ptsValid && times.duration == 0;
    if (held_->data) {
        const std::int64_t d = fromNext || times.ptsValid ? packet->pts - heldTimes_.pts : 0;
        if (d > 0) lastDuration_ = d;
        deliver(held_, d > 0 ? d : (lastDuration_ > 0 ? lastDuration_ : nominalDuration_));
    }
    if (fromNext) {
        av_packet_ref(held_, packet);
        heldTimes_ = times;
        return;
    }
    heldTimes_ = times;
    deliver(packet, times.duration);
}

void FrameCompressor::deliver(AVPacket* packet, std::int64_t duration) {
    EncodedFrame f;
    f.data = packet->data;
    f.size = std::size_t(packet->size);
    f.timeStamp = heldTimes_.pts;
    f.timeStampValid = heldTimes_.ptsValid;
    f.decodeDuration = duration;
    f.keyFrame = packet->flags & AV_PKT_FLAG_KEY;
    f.packet = packet;
    frameOutputCallback(this, 0, &f);
    if (packet == held_) av_packet_unref(held_);
}

} // namespace tarnvik
