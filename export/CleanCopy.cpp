#include "export/CleanCopy.h"

#include "export/EncoderSession.h"
#include "export/Frame.h"
#include "export/MovieFileSink.h"
#include "export/PacketCopyFile.h"

#include <QtGlobal>

#include <algorithm>
#include <chrono>
#include <vector>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/error.h>
#include <libswscale/swscale.h>
}

namespace tarnvik {

namespace {

// Names tried for one file before the folder is taken to be unusable.
constexpr int kMaxAttempts = 1000;

} // namespace

struct CleanCopy::Stream {
    ~Stream() {
        av_packet_free(&held);
        avcodec_parameters_free(&codec);
        sws_freeContext(sws);
    }
    AVCodecParameters* codec = nullptr;
    AVRational timeBase{1, 600};
    bool copying = false;
    // One frame in the time base: the last step between two times, or the
    // nominal rate's before there is one. Packets' own durations are not
    // trusted: demuxers of fragmented files often get them wrong.
    std::int64_t step = 1;
    // Added to the source's times, so that they go on across a loop.
    std::int64_t offset = 0;
    bool any = false;
    std::int64_t lastTime = 0; // the last packet's or picture's, offset added
    std::int64_t origin = 0;   // the current file's time 0, offset added
    // A copied packet waits for the next one's time, which ends it.
    AVPacket* held = nullptr;
    std::int64_t heldDts = 0, heldShift = 0;
    SwsContext* sws = nullptr;
    bool keyPending = false;
    // Encoded files before the current one, until the session has closed them.
    std::vector<std::shared_ptr<MovieFileSink>> earlier;

    // The time given, or a step after the last one where it is missing,
    // with the offset that keeps times rising across a jump back.
    std::int64_t place(std::int64_t time) {
        if (time == AV_NOPTS_VALUE) time = any ? lastTime - offset + step : 0;
        if (any && time + offset <= lastTime) offset = lastTime + step - time;
        else if (any) step = time + offset - lastTime;
        any = true;
        lastTime = time + offset;
        return lastTime;
    }
};

CleanCopy::CleanCopy(std::uint32_t codec, const CompressionOptions& options) : codec_(codec), options_(options) {}

CleanCopy::~CleanCopy() { finish(); }

void CleanCopy::cutTo(Namer namer, const QDateTime& utc) {
    std::lock_guard lock(mutex_);
    if (finished_) return;
    namer_ = std::move(namer);
    attempt_ = 0;
    utc_ = utc;
    cutAt_ = std::chrono::steady_clock::now();
    cutPending_ = true;
}

void CleanCopy::finish() {
    std::lock_guard lock(mutex_);
    endFile();
    stream_.reset();
    finished_ = true;
}

QString CleanCopy::currentPath() const {
    std::lock_guard lock(mutex_);
    return path_;
}

std::int64_t CleanCopy::framesWritten() const {
    std::lock_guard lock(mutex_);
    std::int64_t n = writtenBefore_;
    if (copy_) n += copy_->packetsWritten();
    if (stream_)
        for (const auto& s : stream_->earlier) n += s->framesWritten();
    if (sink_) n += sink_->framesWritten();
    return n;
}

int CleanCopy::files() const {
    std::lock_guard lock(mutex_);
    return files_;
}

void CleanCopy::streamOpened(const AVStream* stream) {
    std::lock_guard lock(mutex_);
    if (finished_ || !stream) return;
    endFile();
    stream_ = std::make_unique<Stream>();
    stream_->codec = avcodec_parameters_alloc();
    if (!stream_->codec || avcodec_parameters_copy(stream_->codec, stream->codecpar) < 0) {
        stream_.reset();
        return;
    }
    stream_->timeBase = stream->time_base;
    stream_->copying = PacketCopyFile::canCopy(stream->codecpar);
    AVRational rate = stream->avg_frame_rate.num > 0 ? stream->avg_frame_rate : stream->r_frame_rate;
    if (rate.num <= 0 || rate.den <= 0) rate = AVRational{25, 1};
    stream_->step = std::max<std::int64_t>(1, av_rescale_q(1, av_inv_q(rate), stream->time_base));
    // Within a cut, the new stream's first key frame begins the cut's next file.
    cutPending_ = bool(namer_);
}

void CleanCopy::streamClosed() {
    std::lock_guard lock(mutex_);
    endFile();
    stream_.reset();
    cutPending_ = bool(namer_) && !finished_;
}

void CleanCopy::packetRead(const AVPacket* packet) {
    std::lock_guard lock(mutex_);
    if (finished_ || !stream_ || !stream_->copying || !packet) return;
    copy(packet);
}

void CleanCopy::pictureDecoded(const AVFrame* picture) {
    std::lock_guard lock(mutex_);
    if (finished_ || !stream_ || stream_->copying || !picture) return;
    encode(picture);
}

void CleanCopy::copy(const AVPacket* packet) {
    Stream& s = *stream_;
    const std::int64_t given = packet->dts != AV_NOPTS_VALUE ? packet->dts : packet->pts;
    const std::int64_t shift = packet->pts != AV_NOPTS_VALUE && given != AV_NOPTS_VALUE ? packet->pts - given : 0;
    const std::int64_t dts = s.place(given);
    writeHeld(dts);
    if (cutPending_ && (packet->flags & AV_PKT_FLAG_KEY)) {
        endFile();
        s.origin = dts;
        cutPending_ = !beginCopy();
    }
    if (!copy_) return;
    if (!s.held) s.held = av_packet_alloc();
    if (!s.held || av_packet_ref(s.held, packet) < 0) return;
    s.heldDts = dts;
    s.heldShift = shift;
}

void CleanCopy::writeHeld(std::int64_t end) {
    Stream* s = stream_.get();
    if (!s || !s->held || !s->held->data) return;
    // A jump back (a loop) ends nothing: the held packet lasts a step.
    const std::int64_t duration = end > s->heldDts ? end - s->heldDts : s->step;
    if (copy_) copy_->write(s->held, s->heldDts - s->origin, s->heldDts + s->heldShift - s->origin, duration);
    av_packet_unref(s->held);
}

bool CleanCopy::beginCopy() {
    const QDateTime utc = startUtc();
    for (int err = AVERROR(EEXIST); err == AVERROR(EEXIST) && attempt_ < kMaxAttempts;) {
        const QString path = namer_(attempt_++);
        if (path.isEmpty()) return false;
        copy_ = PacketCopyFile::create(path, stream_->codec, stream_->timeBase, utc, &err);
        if (copy_) {
            path_ = path;
            ++files_;
            return true;
        }
    }
    return false;
}

void CleanCopy::encode(const AVFrame* picture) {
    Stream& s = *stream_;
    const std::int64_t time = s.place(picture->best_effort_timestamp);
    const std::int64_t pts = av_rescale_q(time, s.timeBase, AVRational{1, kTimeScale});
    const auto format = AVPixelFormat(picture->format);
    if (picture->width <= 0 || picture->height <= 0 || format == AV_PIX_FMT_NONE) return;
    if (pool_ && (pool_->width() != unsigned(picture->width) || pool_->height() != unsigned(picture->height))) {
        // Another size needs another encoder, and so another file.
        endFile();
        cutPending_ = bool(namer_);
    }
    if (cutPending_) cutPending_ = !beginEncoded(pts, picture->width, picture->height);
    if (!sink_ || !pool_) return;
    FramePtr frame = pool_->take();
    if (!frame) return;
    s.sws = sws_getCachedContext(s.sws, picture->width, picture->height, format, picture->width, picture->height,
                                 AV_PIX_FMT_ARGB, SWS_BILINEAR, nullptr, nullptr, nullptr);
    if (!s.sws) return;
    std::uint8_t* dst[4] = {frame->data(), nullptr, nullptr, nullptr};
    const int dstStride[4] = {int(frame->stride()), 0, 0, 0};
    sws_scale(s.sws, picture->data, picture->linesize, 0, picture->height, dst, dstStride);
    // A refused key frame (the encoder behind) is asked for again with the next picture.
    if (session_->compressFrameAt(std::move(frame), pts, 0, s.keyPending)) s.keyPending = false;
}

bool CleanCopy::beginEncoded(std::int64_t pts, int width, int height) {
    if (!session_) {
        session_ = EncoderSession::create(codec_, unsigned(width), unsigned(height), options_, true);
        pool_ = FramePool::create(unsigned(width), unsigned(height));
        if (!session_ || !pool_) {
            session_.reset();
            pool_.reset();
            return false;
        }
    }
    const QDateTime utc = startUtc();
    std::shared_ptr<MovieFileSink> next;
    QString path;
    for (int err = AVERROR(EEXIST); !next && err == AVERROR(EEXIST) && attempt_ < kMaxAttempts;) {
        path = namer_(attempt_++);
        if (path.isEmpty()) return false;
        next = MovieFileSink::create(path, true, &err);
    }
    if (!next) return false;
    next->setTimeOrigin(pts);
    next->setCreationTime(utc);
    // The file before gets every picture up to this one.
    if (session_->attachAt(next, pts, sink_.get()) != 0) return false;
    std::erase_if(stream_->earlier, [this](const std::shared_ptr<MovieFileSink>& f) {
        if (!f->closed()) return false;
        writtenBefore_ += f->framesWritten();
        return true;
    });
    if (sink_) stream_->earlier.push_back(std::move(sink_));
    sink_ = std::move(next);
    path_ = path;
    stream_->keyPending = true;
    ++files_;
    return true;
}

QDateTime CleanCopy::startUtc() const {
    // The copy begins a little after the overlaid file it goes with: at a key frame.
    const auto since = std::chrono::steady_clock::now() - cutAt_;
    return utc_.addMSecs(std::chrono::duration_cast<std::chrono::milliseconds>(since).count());
}

void CleanCopy::endFile() {
    if (stream_ && stream_->held && stream_->held->data) writeHeld(stream_->heldDts + stream_->step);
    if (copy_) {
        copy_->finish();
        writtenBefore_ += copy_->packetsWritten();
        copy_.reset();
    }
    if (session_) {
        // Every picture given reaches its file, and every file is finished.
        session_->flush();
        session_->end();
        if (stream_) {
            for (const auto& s : stream_->earlier) writtenBefore_ += s->framesWritten();
            stream_->earlier.clear();
        }
        if (sink_) writtenBefore_ += sink_->framesWritten();
        session_.reset();
        sink_.reset();
        pool_.reset();
    }
    path_.clear();
}

} // namespace tarnvik
