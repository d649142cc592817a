#include "export/FrameEncoder.h"

#include "export/AvError.h"
#include "export/DVFormat.h"
#include "export/PacketSink.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/dict.h>
#include <libavutil/error.h>
#include <libavutil/imgutils.h>
#include <libswscale/swscale.h>
}

namespace tarnvik {

namespace {

// Frames waiting for the worker; beyond this the encoder is too slow and
// frames are refused rather than making the render tick wait.
constexpr std::size_t kMaxQueued = 8;

AVPixelFormat encoderFormat(const AVCodec* codec, std::uint32_t codecType) {
    // DV's profile follows from size and sampling: PAL is 4:2:0, NTSC 4:1:1.
    if (codecType == kCodecDVPAL) return AV_PIX_FMT_YUV420P;
    if (codecType == kCodecDVNTSC) return AV_PIX_FMT_YUV411P;
    // "apcn" is ProRes 422; left to itself the encoder would pick 4:4:4:4.
    if (codecType == kCodecProRes422) return AV_PIX_FMT_YUV422P10;
    if (!codec->pix_fmts) return AV_PIX_FMT_YUV420P;
    // 4:2:0 plays everywhere; otherwise the format nearest to ARGB.
    for (const AVPixelFormat* p = codec->pix_fmts; *p != AV_PIX_FMT_NONE; ++p)
        if (*p == AV_PIX_FMT_YUV420P || *p == AV_PIX_FMT_YUVJ420P) return *p;
    return avcodec_find_best_pix_fmt_of_list(codec->pix_fmts, AV_PIX_FMT_ARGB, 1, nullptr);
}

} // namespace

std::unique_ptr<FrameEncoder> FrameEncoder::create(std::uint32_t codecType, const CompressionOptions& options,
                                                   unsigned width, unsigned height, bool globalHeader,
                                                   PacketCallback callback, int* error, QByteArray* detail) {
    std::unique_ptr<FrameEncoder> e(new FrameEncoder);
    e->callback_ = std::move(callback);
    const int err = e->init(codecType, options, width, height, globalHeader, detail);
    if (error) *error = err;
    if (err != 0) return nullptr;
    if (e->asynchronous_) e->worker_ = std::thread([raw = e.get()] { raw->run(); });
    return e;
}

int FrameEncoder::init(std::uint32_t codecType, const CompressionOptions& options, unsigned width, unsigned height,
                       bool globalHeader, QByteArray* detail) {
    auto fail = [detail](int err, const char* what) {
        if (detail) *detail = QByteArray(what) + ": " + avErrorText(err);
        return err;
    };
    if (width == 0 || height == 0 || width > 16384 || height > 16384 || !callback_)
        return fail(AVERROR(EINVAL), "frame size");
    width_ = width;
    height_ = height;
    asynchronous_ = options.allowAsynchronousCompletion;
    // FFmpeg marks every DV frame interlaced.
    progressiveDV_ = options.progressive && (codecType == kCodecDVNTSC || codecType == kCodecDVPAL);
    const CodecInfo* info = codecInfo(codecType);
    const AVCodec* codec = info ? avcodec_find_encoder_by_name(info->encoder) : nullptr;
    if (!codec || codec->type != AVMEDIA_TYPE_VIDEO) {
        if (detail) *detail = "no encoder for \"" + QByteArray::fromStdString(fourCCText(codecType)) + "\"";
        return AVERROR_ENCODER_NOT_FOUND;
    }
    ctx_ = avcodec_alloc_context3(codec);
    picture_ = av_frame_alloc();
    packet_ = av_packet_alloc();
    if (!ctx_ || !picture_ || !packet_) return fail(AVERROR(ENOMEM), "allocation");
    ctx_->width = int(width);
    ctx_->height = int(height);
    ctx_->pix_fmt = encoderFormat(codec, codecType);
    ctx_->time_base = AVRational{1, kTimeScale};
    // Packets then come in presentation order, which lets each frame get its
    // duration from the next one's time.
    ctx_->max_b_frames = 0;
    if (globalHeader) ctx_->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    AVDictionary* privateOptions = nullptr;
    applyCompressionOptions(options, codecType, ctx_, &privateOptions);
    int err = avcodec_open2(ctx_, codec, &privateOptions);
    av_dict_free(&privateOptions);
    if (err < 0) return fail(err, "avcodec_open2");
    picture_->format = ctx_->pix_fmt;
    picture_->width = ctx_->width;
    picture_->height = ctx_->height;
    if (err = av_frame_get_buffer(picture_, 0); err < 0) return fail(err, "av_frame_get_buffer");
    sws_ = sws_getContext(int(width), int(height), AV_PIX_FMT_ARGB, int(width), int(height), ctx_->pix_fmt,
                          SWS_BILINEAR, nullptr, nullptr, nullptr);
    if (!sws_) return fail(AVERROR(ENOMEM), "sws_getContext");
    return 0;
}

FrameEncoder::~FrameEncoder() {
    if (worker_.joinable()) stopWorker(true);
    sws_freeContext(sws_);
    av_packet_free(&packet_);
    av_frame_free(&picture_);
    avcodec_free_context(&ctx_);
}

int FrameEncoder::encode(FramePtr frame, std::int64_t pts, bool keyFrame) {
    if (!frame || frame->width() != width_ || frame->height() != height_ || pts < 0) return AVERROR(EINVAL);
    std::unique_lock lock(mutex_);
    if (finishing_ || abandoned_) return AVERROR_EOF;
    if (error_) return error_;
    if (pts <= lastPts_) return AVERROR(EINVAL);
    if (!asynchronous_) {
        lastPts_ = pts;
        lock.unlock();
        const int err = encodeOne(frame.get(), pts, keyFrame);
        lock.lock();
        if (err) error_ = err;
        return err;
    }
    if (queue_.size() >= kMaxQueued) return AVERROR(EAGAIN);
    lastPts_ = pts;
    queue_.push_back({std::move(frame), pts, keyFrame});
    wake_.notify_one();
    return 0;
}

int FrameEncoder::finish() {
    if (asynchronous_) {
        stopWorker(true);
    } else {
        std::unique_lock lock(mutex_);
        if (!finishing_ && !abandoned_) {
            finishing_ = true;
            const bool failed = error_ != 0;
            lock.unlock();
            const int err = failed ? 0 : encodeOne(nullptr, 0, false);
            lock.lock();
            if (err && !error_) error_ = err;
        }
    }
    std::lock_guard lock(mutex_);
    return error_;
}

void FrameEncoder::abandon() {
    if (asynchronous_) {
        stopWorker(false);
        return;
    }
    std::lock_guard lock(mutex_);
    abandoned_ = true;
}

void FrameEncoder::stopWorker(bool drain) {
    {
        std::lock_guard lock(mutex_);
        if (!drain) {
            abandoned_ = true;
            queue_.clear();
        }
        if (!finishing_) {
            finishing_ = true;
            queue_.push_back({nullptr, 0, false});
            wake_.notify_one();
        }
    }
    if (worker_.joinable()) worker_.join();
}

void FrameEncoder::run() {
    for (;;) {
        Job job;
        bool skip;
        {
            std::unique_lock lock(mutex_);
            wake_.wait(lock, [this] { return !queue_.empty(); });
            job = std::move(queue_.front());
            queue_.pop_front();
            // A failed codec is not fed again; an abandoned one not drained.
            skip = error_ != 0 || abandoned_;
        }
        const bool end = !job.frame;
        const int err = skip ? 0 : encodeOne(job.frame.get(), job.pts, job.keyFrame);
        job.frame.reset(); // back to the pool before the next wait
        if (err) {
            std::lock_guard lock(mutex_);
            error_ = err;
        }
        if (end) return;
    }
}

int FrameEncoder::encodeOne(const Frame* frame, std::int64_t pts, bool keyFrame) {
    if (frame) {
        if (int err = av_frame_make_writable(picture_); err < 0) {
            callback_(err, nullptr);
            return err;
        }
        const std::uint8_t* src[1] = {frame->data()};
        const int srcStride[1] = {int(frame->stride())};
        sws_scale(sws_, src, srcStride, 0, int(height_), picture_->data, picture_->linesize);
        picture_->pts = pts;
        // The picture is reused: a key frame asked for once must not stick.
        picture_->pict_type = keyFrame ? AV_PICTURE_TYPE_I : AV_PICTURE_TYPE_NONE;
    }
    int err = avcodec_send_frame(ctx_, frame ? picture_ : nullptr);
    if (err < 0) {
        callback_(err, nullptr);
        return err;
    }
    for (;;) {
        err = avcodec_receive_packet(ctx_, packet_);
        if (err == AVERROR(EAGAIN) || err == AVERROR_EOF) return 0;
        if (err < 0) {
            callback_(err, nullptr);
            return err;
        }
        if (progressiveDV_) {
            if (err = av_packet_make_writable(packet_); err < 0) {
                callback_(err, nullptr);
                return err;
            }
            markDVProgressive(packet_->data, std::size_t(packet_->size));
        }
        callback_(0, packet_);
        av_packet_unref(packet_);
    }
}

} // namespace tarnvik
