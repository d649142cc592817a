#include "export/FrameEncoder.h"

#include "export/AvError.h"

#include <QtGlobal>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/error.h>
#include <libavutil/imgutils.h>
#include <libswscale/swscale.h>
}

namespace tarnvik {

namespace {

// Frames waiting for the worker; beyond this the encoder is too slow and
// frames are dropped rather than making the render tick wait.
constexpr std::size_t kMaxQueued = 8;

AVPixelFormat encoderFormat(const AVCodec* codec) {
    if (!codec->pix_fmts) return AV_PIX_FMT_YUV420P;
    // 4:2:0 plays everywhere; otherwise the format nearest to ARGB.
    for (const AVPixelFormat* p = codec->pix_fmts; *p != AV_PIX_FMT_NONE; ++p)
        if (*p == AV_PIX_FMT_YUV420P || *p == AV_PIX_FMT_YUVJ420P) return *p;
    return avcodec_find_best_pix_fmt_of_list(codec->pix_fmts, AV_PIX_FMT_ARGB, 1, nullptr);
}

} // namespace

std::unique_ptr<FrameEncoder> FrameEncoder::create(const EncoderOptions& options, unsigned width, unsigned height,
                                                   bool globalHeader, PacketCallback callback) {
    if (width == 0 || height == 0 || !callback) return nullptr;
    std::unique_ptr<FrameEncoder> e(new FrameEncoder);
    e->callback_ = std::move(callback);
    if (!e->init(options, width, height, globalHeader)) return nullptr;
    e->worker_ = std::thread([raw = e.get()] { raw->run(); });
    return e;
}

bool FrameEncoder::init(const EncoderOptions& options, unsigned width, unsigned height, bool globalHeader) {
    width_ = width;
    height_ = height;
    const AVCodec* codec = avcodec_find_encoder_by_name(options.codec.c_str());
    if (!codec || codec->type != AVMEDIA_TYPE_VIDEO) {
        qWarning("No video encoder \"%s\"", options.codec.c_str());
        return false;
    }
    ctx_ = avcodec_alloc_context3(codec);
    picture_ = av_frame_alloc();
    packet_ = av_packet_alloc();
    if (!ctx_ || !picture_ || !packet_) {
        qWarning("Memory allocation failed");
        return false;
    }
    ctx_->width = int(width);
    ctx_->height = int(height);
    ctx_->pix_fmt = encoderFormat(codec);
    ctx_->time_base = AVRational{1, kTimeScale};
    if (options.frameRate > 0) ctx_->framerate = av_d2q(options.frameRate, 100000);
    if (options.bitRate > 0) ctx_->bit_rate = options.bitRate;
    if (options.keyFrameInterval > 0) ctx_->gop_size = options.keyFrameInterval;
    // Packets then come in presentation order, which lets the muxer give
    // each frame its duration from the next one's time.
    ctx_->max_b_frames = 0;
    if (globalHeader) ctx_->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    if (int err = avcodec_open2(ctx_, codec, nullptr); err < 0) {
        qWarning("avcodec_open2() failed with error %i (%s)", err, avErrorText(err).constData());
        return false;
    }
    picture_->format = ctx_->pix_fmt;
    picture_->width = ctx_->width;
    picture_->height = ctx_->height;
    if (int err = av_frame_get_buffer(picture_, 0); err < 0) {
        qWarning("av_frame_get_buffer() failed with error %i (%s)", err, avErrorText(err).constData());
        return false;
    }
    sws_ = sws_getContext(int(width), int(height), AV_PIX_FMT_ARGB, int(width), int(height), ctx_->pix_fmt,
                          SWS_BILINEAR, nullptr, nullptr, nullptr);
    if (!sws_) {
        qWarning("sws_getContext() failed");
        return false;
    }
    return true;
}

FrameEncoder::~FrameEncoder() {
    if (worker_.joinable()) finish();
    sws_freeContext(sws_);
    av_packet_free(&packet_);
    av_frame_free(&picture_);
    avcodec_free_context(&ctx_);
}

bool FrameEncoder::encode(FramePtr frame, std::int64_t pts) {
    if (!frame || frame->width() != width_ || frame->height() != height_ || pts < 0) return false;
    std::lock_guard lock(mutex_);
    if (finishing_ || failed_ || pts <= lastPts_ || queue_.size() >= kMaxQueued) return false;
    lastPts_ = pts;
    queue_.push_back({std::move(frame), pts});
    wake_.notify_one();
    return true;
}

bool FrameEncoder::finish() {
    {
        std::lock_guard lock(mutex_);
        if (!finishing_) {
            finishing_ = true;
            queue_.push_back({nullptr, 0});
            wake_.notify_one();
        }
    }
    if (worker_.joinable()) worker_.join();
    std::lock_guard lock(mutex_);
    return !failed_;
}

void FrameEncoder::run() {
    bool ok = true;
    for (;;) {
        Job job;
        {
            std::unique_lock lock(mutex_);
            wake_.wait(lock, [this] { return !queue_.empty(); });
            job = std::move(queue_.front());
            queue_.pop_front();
        }
        const bool end = !job.frame;
        // A failed codec is not fed again; later jobs are only consumed.
        if (ok) ok = encodeOne(job.frame.get(), job.pts);
        job.frame.reset(); // back to the pool before the next wait
        if (!ok) {
            std::lock_guard lock(mutex_);
            failed_ = true;
        }
        if (end) return;
    }
}

bool FrameEncoder::encodeOne(const Frame* frame, std::int64_t pts) {
    if (frame) {
        if (int err = av_frame_make_writable(picture_); err < 0) {
            qWarning("av_frame_make_writable() failed with error %i (%s)", err, avErrorText(err).constData());
            return false;
        }
        const std::uint8_t* src[1] = {frame->data()};
        const int srcStride[1] = {int(frame->stride())};
        sws_scale(sws_, src, srcStride, 0, int(height_), picture_->data, picture_->linesize);
        picture_->pts = pts;
    }
    int err = avcodec_send_frame(ctx_, frame ? picture_ : nullptr);
    if (err < 0) {
        qWarning("avcodec_send_frame() failed with error %i (%s)", err, avErrorText(err).constData());
        return false;
    }
    for (;;) {
        err = avcodec_receive_packet(ctx_, packet_);
        if (err == AVERROR(EAGAIN) || err == AVERROR_EOF) return true;
        if (err < 0) {
            qWarning("avcodec_receive_packet() failed with error %i (%s)", err, avErrorText(err).constData());
            return false;
        }
        callback_(packet_);
        av_packet_unref(packet_);
    }
}

} // namespace tarnvik
