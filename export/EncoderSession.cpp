#include "export/EncoderSession.h"

#include "export/AvError.h"
#include "export/FrameEncoder.h"

#include <QtGlobal>

#include <algorithm>
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

std::unique_ptr<EncoderSession> EncoderSession::create(std::uint32_t codecType, unsigned width, unsigned height,
                                                        const CompressionOptions& options, bool globalHeader) {
    std::unique_ptr<EncoderSession> s(new EncoderSession);
    if (!s->init(codecType, width, height, options, globalHeader)) return nullptr;
    return s;
}

bool EncoderSession::init(std::uint32_t codecType, unsigned width, unsigned height, const CompressionOptions& options,
                          bool globalHeader) {
    held_ = av_packet_alloc();
    parameters_ = avcodec_parameters_alloc();
    if (!held_ || !parameters_) {
        qWarning("Memory allocation failed");
        return false;
    }
    if (options.frameRate > 0) {
        nominalDuration_ = std::max<std::int64_t>(1, std::llround(kTimeScale / options.frameRate));
        format_.frameRate = options.frameRate;
    }
    int err = 0;
    QByteArray detail;
    encoder_ = FrameEncoder::create(
        codecType, options, width, height, globalHeader, [this](int e, AVPacket* p) { packetArrived(e, p); }, &err,
        &detail);
    if (encoder_ && (err = avcodec_parameters_from_context(parameters_, encoder_->context())) < 0)
        detail = "avcodec_parameters_from_context: " + avErrorText(err);
    if (err < 0) {
        qWarning("ICMCompressionSessionCreate() failed with error %i (%s)", err, detail.constData());
        return false;
    }
    format_.codec = parameters_;
    return true;
}

EncoderSession::~EncoderSession() {
    end();
    av_packet_free(&held_);
    avcodec_parameters_free(&parameters_);
}

int EncoderSession::attach(std::shared_ptr<PacketSink> sink) { return attachAt(std::move(sink), -1, nullptr); }

int EncoderSession::attachAt(std::shared_ptr<PacketSink> sink, std::int64_t from, const PacketSink* previous) {
    if (!sink) return AVERROR(EINVAL);
    if (ended_) return AVERROR_EOF;
    if (const int err = sink->open(format_); err != 0) return err;
    std::lock_guard lock(sinksMutex_);
    sinks_.push_back({std::move(sink), false, from, previous});
    return 0;
}

void EncoderSession::detach(const PacketSink* sink) {
    std::shared_ptr<PacketSink> gone;
    {
        std::lock_guard lock(sinksMutex_);
        const auto it = std::find_if(sinks_.begin(), sinks_.end(), [&](const Attached& a) { return a.sink.get() == sink; });
        if (it == sinks_.end()) return;
        gone = std::move(it->sink);
        sinks_.erase(it);
    }
    gone->close();
}

void EncoderSession::closeSinks() {
    std::vector<Attached> all;
    {
        std::lock_guard lock(sinksMutex_);
        all.swap(sinks_);
    }
    ended_ = true;
    for (Attached& a : all) a.sink->close();
}

bool EncoderSession::compressFrame(FramePtr frame, double timeStamp, double duration, bool keyFrame) {
    return compressFrameAt(std::move(frame), toTimeScale(timeStamp), toTimeScale(duration), keyFrame);
}

bool EncoderSession::compressFrameAt(FramePtr frame, std::int64_t timeStamp, std::int64_t duration, bool keyFrame) {
    if (!encoder_) return false;
    std::int64_t pts = timeStamp;
    const bool ptsValid = pts >= 0;
    // The codec needs rising times even where the caller gives none.
    if (!ptsValid) pts = lastPts_ < 0 ? 0 : lastPts_ + nominalDuration_;
    const std::int64_t given = std::max<std::int64_t>(0, duration);
    {
        std::lock_guard lock(timesMutex_);
        pending_.push_back({pts, ptsValid, given});
    }
    const int err = encoder_->encode(std::move(frame), pts, keyFrame);
    if (err == 0) {
        lastPts_ = pts;
        if (dropLogged_) {
            qWarning("The encoder caught up; %lld frames were dropped", static_cast<long long>(dropped_.load()));
            dropLogged_ = false;
        }
        return true;
    }
    {
        std::lock_guard lock(timesMutex_);
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

bool EncoderSession::flush() {
    if (!encoder_) return false;
    const int err = encoder_->finish();
    if (held_->data) {
        deliver(held_, heldTimes_, lastDuration_ > 0 ? lastDuration_ : nominalDuration_);
        av_packet_unref(held_);
    }
    closeSinks();
    if (err != 0) {
        qWarning("ICMCompressionSessionCompleteFrames() failed with error %i (%s)", err, avErrorText(err).constData());
        return false;
    }
    return true;
}

void EncoderSession::end() {
    if (encoder_) encoder_->abandon();
    encoder_.reset();
    closeSinks();
}

void EncoderSession::packetArrived(int error, AVPacket* packet) {
    if (error != 0) {
        qWarning("ICMCompressionSessionEncodeFrame() failed with error %i (%s)", error, avErrorText(error).constData());
        return;
    }
    Times times{packet->pts, true, 0};
    {
        std::lock_guard lock(timesMutex_);
        // Frames the codec dropped leave their times behind; skip them.
        while (!pending_.empty() && pending_.front().pts < packet->pts) pending_.pop_front();
        if (!pending_.empty() && pending_.front().pts == packet->pts) {
            times = pending_.front();
            pending_.pop_front();
        }
    }
    if (held_->data) {
        const std::int64_t d = times.ptsValid ? packet->pts - heldTimes_.pts : 0;
        if (d > 0) lastDuration_ = d;
        deliver(held_, heldTimes_, d > 0 ? d : (lastDuration_ > 0 ? lastDuration_ : nominalDuration_));
        av_packet_unref(held_);
    }
    if (times.ptsValid && times.duration == 0) {
        if (av_packet_ref(held_, packet) == 0) {
            heldTimes_ = times;
            return;
        }
        // Without room to hold it the frame goes at once, for one frame's time.
        times.duration = lastDuration_ > 0 ? lastDuration_ : nominalDuration_;
    }
    deliver(packet, times, times.duration);
}

void EncoderSession::deliver(const AVPacket* packet, const Times& times, std::int64_t duration) {
    EncodedPacket p;
    p.data = packet->data;
    p.size = std::size_t(packet->size);
    p.timeStamp = times.pts;
    p.timeStampValid = times.ptsValid;
    p.duration = duration;
    p.keyFrame = packet->flags & AV_PKT_FLAG_KEY;
    p.packet = packet;
    std::vector<std::shared_ptr<PacketSink>> done;
    {
        std::lock_guard lock(sinksMutex_);
        // A sink that starts with this packet takes over: the one it follows
        // has had its last packet.
        for (const Attached& a : sinks_) {
            if (a.started || !a.takesOver || !p.keyFrame || p.timeStamp < a.from) continue;
            const auto it = std::find_if(sinks_.begin(), sinks_.end(),
                                         [&](const Attached& b) { return b.sink.get() == a.takesOver; });
            if (it != sinks_.end()) done.push_back(it->sink);
        }
        std::erase_if(sinks_,
                      [&](const Attached& a) { return std::find(done.begin(), done.end(), a.sink) != done.end(); });
        for (Attached& a : sinks_) {
            // A sink that joins mid-stream cannot decode what comes before a key frame.
            if (!a.started && (!p.keyFrame || p.timeStamp < a.from)) continue;
            a.started = true;
            a.sink->write(p);
        }
    }
    for (const auto& s : done) s->close();
}

} // namespace tarnvik
