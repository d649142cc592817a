#include "export/OpenGLQTCompressor.h"

#include "export/AvError.h"
#include "export/CompressionOptions.h"
#include "export/FrameEncoder.h"
#include "export/GLReadBack.h"

#include <QtGlobal>

#include <algorithm>
#include <cstring>
#include <new>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/pixdesc.h>
}

namespace tarnvik {

namespace {

// Room for a frame that does not compress at all, with some to spare for
// the codec's own headers; anything larger makes the buffer grow.
std::size_t expectedMaximumSize(unsigned width, unsigned height) {
    const std::size_t raw = std::size_t(width) * height * 4;
    return raw + raw / 8 + 65536;
}

} // namespace

std::unique_ptr<OpenGLQTCompressor> OpenGLQTCompressor::create(const GLFrameSource& source, unsigned width,
                                                               unsigned height, std::uint32_t codecType,
                                                               int quality, bool flipVertically, bool useTextures) {
    std::unique_ptr<OpenGLQTCompressor> c(new OpenGLQTCompressor);
    if (!c->init(source, width, height, codecType, quality, flipVertically, useTextures)) return nullptr;
    return c;
}

OpenGLQTCompressor::OpenGLQTCompressor() = default;

OpenGLQTCompressor::~OpenGLQTCompressor() = default;

bool OpenGLQTCompressor::init(const GLFrameSource& source, unsigned width, unsigned height,
                              std::uint32_t codecType, int quality, bool flipVertically, bool useTextures) {
    if (!source || width == 0 || height == 0) return false;
    flip_ = flipVertically;
    std::shared_ptr<FramePool> pool = FramePool::create(width, height);
    source_ = pool ? pool->take() : nullptr;
    bufferSize_ = expectedMaximumSize(width, height);
    buffer_.reset(new (std::nothrow) std::uint8_t[bufferSize_]);
    if (!source_ || !buffer_) {
        qWarning("Memory allocation failed");
        return false;
    }
    readBack_ = GLReadBack::create(source, width, height, useTextures);
    if (!readBack_) return false;

    // Synchronous, so that each frame's bytes are there when encode returns.
    CompressionOptions options;
    options.quality = quality;
    options.keyFrameInterval = 1;
    options.allowAsynchronousCompletion = false;
    options.lowDelay = true; // the bytes are wanted before the call returns
    int err = 0;
    QByteArray detail;
    sequence_ = FrameEncoder::create(
        codecType, options, width, height, false, [this](int error, AVPacket* packet) { packetArrived(error, packet); },
        &err, &detail);
    if (!sequence_) {
        qWarning("Compression sequence creation failed (error %i) (%s)", err, detail.constData());
        return false;
    }
    const AVPixFmtDescriptor* format = av_pix_fmt_desc_get(sequence_->context()->pix_fmt);
    const bool alpha = format && (format->flags & AV_PIX_FMT_FLAG_ALPHA);
    description_ = {codecType, width, height, alpha ? 32 : 24};
    return true;
}

void OpenGLQTCompressor::packetArrived(int error, AVPacket* packet) {
    // A codec error comes back from encode as well. A codec that holds
    // frames back hands out an earlier frame's packet: not this frame's bytes.
    if (error != 0 || !packet || packet->size <= 0 || packet->pts != pts_) return;
    const std::size_t size = std::size_t(packet->size);
    if (frameSize_ + size > bufferSize_) {
        const std::size_t grown = std::max(frameSize_ + size, bufferSize_ * 2);
        std::unique_ptr<std::uint8_t[]> bigger(new (std::nothrow) std::uint8_t[grown]);
        if (!bigger) {
            outOfMemory_ = true;
            return;
        }
        std::memcpy(bigger.get(), buffer_.get(), frameSize_);
        buffer_ = std::move(bigger);
        bufferSize_ = grown;
    }
    std::memcpy(buffer_.get() + frameSize_, packet->data, size);
    frameSize_ += size;
}

std::optional<QByteArray> OpenGLQTCompressor::compressFrame(bool noCopy) {
    const unsigned width = readBack_->width(), height = readBack_->height();
    const std::size_t rowBytes = readBack_->rowBytes();
    Frame& source = *source_;
    const bool flip = flip_;
    const GLReadBack::Result read = readBack_->read([&](const std::uint8_t* rows) {
        // OpenGL's rows come bottom-up; unflipped they go to the codec so.
        for (unsigned y = 0; y < height; ++y)
            std::memcpy(source.row(flip ? height - 1 - y : y), rows + y * rowBytes, std::size_t(width) * 4);
        return true;
    });
    if (read == GLReadBack::Result::Failed) return std::nullopt;
    if (read == GLReadBack::Result::Skipped) return QByteArray();

    frameSize_ = 0;
    outOfMemory_ = false;
    int err = sequence_->encode(source_, pts_);
    if (err == 0 && outOfMemory_) err = AVERROR(ENOMEM);
    // A codec that holds frames back has nothing for this one yet.
    if (err == 0 && frameSize_ == 0) err = AVERROR(EAGAIN);
    ++pts_;
    if (err != 0) {
        qWarning("CompressSequenceFrame() failed with error %i (%s)", err, avErrorText(err).constData());
        return std::nullopt;
    }
    const char* bytes = reinterpret_cast<const char*>(buffer_.get());
    return noCopy ? QByteArray::fromRawData(bytes, qsizetype(frameSize_)) : QByteArray(bytes, qsizetype(frameSize_));
}

} // namespace tarnvik
