#include "export/FrameMovieExporter.h"

#include "export/AvError.h"
#include "export/FrameEncoder.h"

#include <QFile>
#include <QFileInfo>
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
    path_ = path;
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
    file_ = MovieFile::create(file, &err);
    if (!file_) {
        qWarning("CreateMovieStorage() failed with error %i (cannot create \"%s\": %s)", err, file.constData(),
                 avErrorText(err).constData());
        return false;
    }
    format_->pb = file_->io();
    format_->flags |= AVFMT_FLAG_CUSTOM_IO;
    // Absolute: the watch must find the file again whatever the working folder.
    watch_ = std::make_unique<RecordingWatch>(file_->fd(), QFile::encodeName(QFileInfo(path).absoluteFilePath()));
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
    if (err >= 0) {
        avio_flush(format_->pb);
        err = format_->pb->error;
    }
    if (err < 0) {
        qWarning("BeginMediaEdits() failed with error %i (%s)", err, avErrorText(err).constData());
        return false;
    }
    file_->markWhole();
    editing_ = true;
    return true;
}

FrameMovieExporter::~FrameMovieExporter() {
    finish();
    endSession();
    avformat_free_context(format_);
}

double FrameMovieExporter::finish() {
    if (finished_) return secondsKept();
    finished_ = true;
    // Every pending frame reaches the file before the trailer, unless the
    // file takes no more.
    if (editing_ && !file_->halted()) flushFrames();
    if (editing_ && !file_->halted()) {
        int err = av_write_trailer(format_);
        if (err >= 0) {
            avio_flush(format_->pb);
            err = format_->pb->error;
        }
        if (err >= 0) {
            file_->markWhole();
            keptEnd_ = givenEnd_;
        } else {
            qWarning("AddMovieToStorage() failed with error %i (%s)", err, avErrorText(err).constData());
            writeFailed_ = true;
            file_->halt();
            stop({RecordingEvent::Kind::Stopped, StopReason::WriteFailed, err});
        }
    }
    // Nothing more can be written: what is still queued is dropped.
    endSession();
    // A file that took no more loses its half-written end, unless it was
    // deleted: that one is never touched again.
    if (editing_ && file_->halted()) {
        const std::optional<RecordingEvent> why = stopEvent();
        if (!why || why->reason != StopReason::Deleted) file_->trimToWhole();
    }
    if (format_) format_->pb = nullptr;
    file_.reset();
    return secondsKept();
}

double FrameMovieExporter::secondsKept() const {
    const std::int64_t end = keptEnd_.load(), first = firstPts_.load();
    return end > first && first >= 0 ? double(end - first) / kTimeScale : 0.0;
}

std::optional<RecordingEvent> FrameMovieExporter::stopEvent() const {
    std::lock_guard lock(stopMutex_);
    return stopEvent_;
}

void FrameMovieExporter::stop(const RecordingEvent& event) {
    {
        std::lock_guard lock(stopMutex_);
        if (stopEvent_) return;
        stopEvent_ = event;
        stopped_ = true;
    }
    if (handler_) handler_(event);
}

bool FrameMovieExporter::exportFrame(FramePtr frame, double seconds) {
    if (writeFailed_ || stopped_ || finished_) return false;
    const RecordingWatch::Verdict v = watch_->look(seconds, file_->wholeBytes());
    if (v.action == RecordingWatch::Verdict::Action::Warn && handler_) {
        handler_({RecordingEvent::Kind::LowSpace, StopReason::LowSpace, 0, v.freeBytes, v.secondsLeft});
    } else if (v.action == RecordingWatch::Verdict::Action::Stop) {
        // Not one more byte into a file that is gone; a low disk still gets the file finished.
        if (v.reason != StopReason::LowSpace) file_->halt();
        stop({RecordingEvent::Kind::Stopped, v.reason, 0, v.freeBytes, v.secondsLeft});
        return false;
    }
    return compressFrame(std::move(frame), seconds, NAN);
}

void FrameMovieExporter::doneCompressingFrame(const EncodedFrame& frame) {
    if (frame.decodeDuration > 0 && !writeFailed_ && !file_->halted()) {
        AVPacket* packet = av_packet_clone(frame.packet);
        int err = packet ? 0 : AVERROR(ENOMEM);
        const std::uint64_t before = file_->wholeBytes();
        if (packet) {
            packet->pts = packet->dts = frame.timeStamp;
            packet->duration = frame.decodeDuration;
            packet->stream_index = stream_->index;
            av_packet_rescale_ts(packet, AVRational{1, kTimeScale}, stream_->time_base);
            err = av_write_frame(format_, packet);
            av_packet_free(&packet);
        }
        if (err >= 0) {
            avio_flush(format_->pb);
            err = format_->pb->error;
        }
        if (err < 0) {
            // A halted file refuses on purpose. Otherwise logged once and no
            // more frames taken: a full disk would otherwise flood the log.
            if (!file_->halted()) {
                writeFailed_ = true;
                qWarning("AddMediaSampleFromEncodedFrame() failed with error %i (%s)", err,
                         avErrorText(err).constData());
                file_->halt();
                stop({RecordingEvent::Kind::Stopped, StopReason::WriteFailed, err});
            }
        } else {
            ++written_;
            // The muxer writes a fragment out whole when the next frame
            // begins a new one: every frame before this one is then on disk.
            file_->markWhole();
            if (file_->wholeBytes() > before) keptEnd_ = givenEnd_;
            if (firstPts_ < 0) firstPts_ = frame.timeStamp;
            givenEnd_ = frame.timeStamp + frame.decodeDuration;
        }
    }
    FrameCompressor::doneCompressingFrame(frame);
}

} // namespace tarnvik
