#include "export/FrameMovieExporter.h"

#include "export/AvError.h"
#include "export/FrameEncoder.h"

#include <QFile>
#include <QtGlobal>

#include <cerrno>
#include <cmath>
#include <cstring>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/dict.h>
#include <libavutil/error.h>
}

namespace tarnvik {

std::unique_ptr<FrameMovieExporter> FrameMovieExporter::create(const QString& path, std::uint32_t codecType,
                                                               unsigned width, unsigned height,
                                                               const CompressionOptionsPtr& options) {
    if (path.isEmpty() || !options) return nullptr;
    std::unique_ptr<FrameMovieExporter> e(new FrameMovieExporter);
    if (!e->init(path, codecType, width, height, options)) return nullptr;
    return e;
}

bool FrameMovieExporter::init(const QString& path, std::uint32_t codecType, unsigned width, unsigned height,
                              const CompressionOptionsPtr& options) {
    // The render tick must never wait for the encoder.
    options->allowAsynchronousCompletion = true;
    // QuickTime keeps the codec's set-up in the sample description.
    if (!initCompressor(codecType, width, height, *options, true)) return false;

    const QByteArray file = QFile::encodeName(path);
    int err = avformat_alloc_output_context2(&format_, nullptr, "mov", file.constData());
    if (err < 0 || !format_) {
        qWarning("QTNewDataReferenceFromFullPathCFString() failed with error %i (%s)", err,
                 avErrorText(err).constData());
        return false;
    }
    // Opening for writing truncates: an existing file is replaced.
    if (err = avio_open(&format_->pb, file.constData(), AVIO_FLAG_WRITE); err < 0) {
        qWarning("CreateMovieStorage() failed with error %i (cannot create \"%s\": %s)", err, file.constData(),
                 avErrorText(err).constData());
        return false;
    }
    stream_ = avformat_new_stream(format_, nullptr);
    if (!stream_) {
        qWarning("NewMovieTrack() failed with error %i", AVERROR(ENOMEM));
        return false;
    }
    stream_->time_base = AVRational{1, kTimeScale};
    if (err = avcodec_parameters_from_context(stream_->codecpar, codecContext()); err < 0) {
        qWarning("NewTrackMedia() failed with error %i (%s)", err, avErrorText(err).constData());
        return false;
    }
    AVDictionary* opts = nullptr;
    // Fragments of about a second, each complete on disk as it is cut.
    av_dict_set(&opts, "movflags", "frag_keyframe+empty_moov+default_base_moof", 0);
    av_dict_set(&opts, "frag_duration", "1000000", 0);
    av_dict_set(&opts, "video_track_timescale", "600", 0);
    format_->flags |= AVFMT_FLAG_FLUSH_PACKETS;
    err = avformat_write_header(format_, &opts);
    av_dict_free(&opts);
    if (err < 0) {
        qWarning("BeginMediaEdits() failed with error %i (%s)", err, avErrorText(err).constData());
        return false;
    }
    editing_ = true;
    return true;
}

FrameMovieExporter::~FrameMovieExporter() {
    if (editing_) {
        // Every pending frame reaches the file before the trailer.
        flushFrames();
        // After a failed write the trailer fails too; the first message says why.
        if (int err = av_write_trailer(format_); err < 0 && !writeFailed_)
            qWarning("AddMovieToStorage() failed with error %i (%s)", err, avErrorText(err).constData());
    }
    endSession();
    if (format_ && format_->pb) avio_closep(&format_->pb);
    avformat_free_context(format_);
}

bool FrameMovieExporter::exportFrame(FramePtr frame, double seconds) {
    if (writeFailed_) return false;
    return compressFrame(std::move(frame), seconds, NAN);
}

void FrameMovieExporter::doneCompressingFrame(const EncodedFrame& frame) {
    if (frame.decodeDuration > 0 && !writeFailed_) {
        AVPacket* packet = av_packet_clone(frame.packet);
        int err = packet ? 0 : AVERROR(ENOMEM);
        if (packet) {
            packet->pts = packet->dts = frame.timeStamp;
            packet->duration = frame.decodeDuration;
            packet->stream_index = stream_->index;
            av_packet_rescale_ts(packet, AVRational{1, kTimeScale}, stream_->time_base);
            err = av_write_frame(format_, packet);
            av_packet_free(&packet);
        }
        if (err < 0) {
            // Logged once and no more frames taken: a full disk would
            // otherwise flood the log.
            writeFailed_ = true;
            qWarning("AddMediaSampleFromEncodedFrame() failed with error %i (%s)", err, avErrorText(err).constData());
        } else {
            ++written_;
        }
    }
    FrameCompressor::doneCompressingFrame(frame);
}

} // namespace tarnvik
