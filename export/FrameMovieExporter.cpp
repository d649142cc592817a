#include "export/FrameMovieExporter.h"

#include "export/AvError.h"

#include <QFile>
#include <QtGlobal>

#include <cmath>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/dict.h>
#include <libavutil/error.h>
}

namespace tarnvik {

namespace {

// A time in seconds as 1/600 s, truncated; NaN and negative times are 0.
std::int64_t toTimeScale(double seconds) {
    if (!(seconds >= 0) || !std::isfinite(seconds)) return 0;
    return std::int64_t(seconds * kTimeScale);
}

} // namespace

std::unique_ptr<FrameMovieExporter> FrameMovieExporter::create(const QString& path, const EncoderOptions& options,
                                                               unsigned width, unsigned height) {
    if (path.isEmpty() || width == 0 || height == 0) return nullptr;
    std::unique_ptr<FrameMovieExporter> e(new FrameMovieExporter);
    if (!e->init(path, options, width, height)) return nullptr;
    return e;
}

bool FrameMovieExporter::init(const QString& path, const EncoderOptions& options, unsigned width, unsigned height) {
    const QByteArray file = QFile::encodeName(path);
    int err = avformat_alloc_output_context2(&format_, nullptr, "mov", file.constData());
    if (err < 0 || !format_) {
        qWarning("avformat_alloc_output_context2() failed with error %i (%s)", err, avErrorText(err).constData());
        return false;
    }
    held_ = av_packet_alloc();
    stream_ = avformat_new_stream(format_, nullptr);
    if (!held_ || !stream_) {
        qWarning("Memory allocation failed");
        return false;
    }
    const bool globalHeader = format_->oformat->flags & AVFMT_GLOBALHEADER;
    encoder_ = FrameEncoder::create(options, width, height, globalHeader,
                                    [this](AVPacket* p) { addPacket(p); });
    if (!encoder_) return false;
    stream_->time_base = AVRational{1, kTimeScale};
    if (err = avcodec_parameters_from_context(stream_->codecpar, encoder_->context()); err < 0) {
        qWarning("avcodec_parameters_from_context() failed with error %i (%s)", err, avErrorText(err).constData());
        return false;
    }
    // Opening for writing truncates: an existing file is replaced.
    if (err = avio_open(&format_->pb, file.constData(), AVIO_FLAG_WRITE); err < 0) {
        qWarning("Cannot create movie file \"%s\": %s", file.constData(), avErrorText(err).constData());
        return false;
    }
    AVDictionary* opts = nullptr;
    av_dict_set(&opts, "movflags", "frag_keyframe+empty_moov+default_base_moof", 0);
    av_dict_set(&opts, "frag_duration", "1000000", 0);
    av_dict_set(&opts, "video_track_timescale", "600", 0);
    format_->flags |= AVFMT_FLAG_FLUSH_PACKETS; // each fragment reaches the disk as it is cut
    err = avformat_write_header(format_, &opts);
    av_dict_free(&opts);
    if (err < 0) {
        qWarning("avformat_write_header() failed with error %i (%s)", err, avErrorText(err).constData());
        return false;
    }
    headerWritten_ = true;
    return true;
}

FrameMovieExporter::~FrameMovieExporter() {
    if (encoder_) encoder_->finish();
    if (headerWritten_) finishFile();
    if (format_ && format_->pb) avio_closep(&format_->pb);
    encoder_.reset();
    av_packet_free(&held_);
    avformat_free_context(format_);
}

bool FrameMovieExporter::exportFrame(FramePtr frame, double seconds) {
    if (writeFailed_) return false;
    return encoder_->encode(std::move(frame), toTimeScale(seconds));
}

void FrameMovieExporter::addPacket(AVPacket* packet) {
    if (held_->data) {
        const std::int64_t duration = packet->pts - held_->pts;
        if (duration > 0) lastDuration_ = duration;
        writeHeld(duration);
    }
    av_packet_ref(held_, packet);
}

void FrameMovieExporter::writeHeld(std::int64_t duration) {
    held_->duration = duration > 0 ? duration : 1;
    held_->stream_index = stream_->index;
    av_packet_rescale_ts(held_, AVRational{1, kTimeScale}, stream_->time_base);
    if (!writeFailed_) {
        if (int err = av_write_frame(format_, held_); err < 0) {
            // Logged once: a full disk would otherwise flood the log.
            writeFailed_ = true;
            qWarning("av_write_frame() failed with error %i (%s)", err, avErrorText(err).constData());
        } else {
            ++written_;
        }
    }
    av_packet_unref(held_);
}

void FrameMovieExporter::finishFile() {
    // The last frame lasts as long as the one before it.
    if (held_->data) writeHeld(lastDuration_);
    // After a failed write the trailer fails too; the first message says why.
    if (int err = av_write_trailer(format_); err < 0 && !writeFailed_)
        qWarning("av_write_trailer() failed with error %i (%s)", err, avErrorText(err).constData());
}

} // namespace tarnvik
