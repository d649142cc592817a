#include "export/MovieFileSink.h"

#include "export/AvError.h"

#include <QFile>
#include <QtGlobal>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/dict.h>
#include <libavutil/error.h>
}

namespace tarnvik {

namespace {

// Pushes what the muxer holds to the file: 0, or the first write error.
int flushed(AVFormatContext* format, int err) {
    if (err < 0) return err;
    avio_flush(format->pb);
    return format->pb->error;
}

} // namespace

std::shared_ptr<MovieFileSink> MovieFileSink::create(const QString& path) {
    std::shared_ptr<MovieFileSink> s(new MovieFileSink);
    const QByteArray file = QFile::encodeName(path);
    int err = avformat_alloc_output_context2(&s->format_, nullptr, "mov", file.constData());
    if (err < 0 || !s->format_) {
        qWarning("QTNewDataReferenceFromFullPathCFString() failed with error %i (%s)", err,
                 avErrorText(err).constData());
        return nullptr;
    }
    // Opening for writing truncates: an existing file is replaced.
    s->file_ = MovieFile::create(file, &err);
    if (!s->file_) {
        qWarning("CreateMovieStorage() failed with error %i (cannot create \"%s\": %s)", err, file.constData(),
                 avErrorText(err).constData());
        return nullptr;
    }
    s->format_->pb = s->file_->io();
    s->format_->flags |= AVFMT_FLAG_CUSTOM_IO;
    return s;
}

MovieFileSink::~MovieFileSink() {
    close();
    avformat_free_context(format_);
}

int MovieFileSink::open(const SessionFormat& format) {
    if (!file_ || editing_) return AVERROR(EINVAL);
    stream_ = avformat_new_stream(format_, nullptr);
    if (!stream_) {
        qWarning("NewMovieTrack() failed with error %i", AVERROR(ENOMEM));
        return AVERROR(ENOMEM);
    }
    stream_->time_base = AVRational{1, kTimeScale};
    if (const int err = avcodec_parameters_copy(stream_->codecpar, format.codec); err < 0) {
        qWarning("NewTrackMedia() failed with error %i (%s)", err, avErrorText(err).constData());
        return err;
    }
    AVDictionary* opts = nullptr;
    // Fragments of about a second, each complete on disk as it is cut.
    av_dict_set(&opts, "movflags", "frag_keyframe+empty_moov+default_base_moof", 0);
    av_dict_set(&opts, "frag_duration", "1000000", 0);
    av_dict_set(&opts, "video_track_timescale", "600", 0);
    format_->flags |= AVFMT_FLAG_FLUSH_PACKETS;
    const int err = flushed(format_, avformat_write_header(format_, &opts));
    av_dict_free(&opts);
    if (err < 0) {
        qWarning("BeginMediaEdits() failed with error %i (%s)", err, avErrorText(err).constData());
        return err;
    }
    file_->markWhole();
    editing_ = true;
    return 0;
}

void MovieFileSink::write(const EncodedPacket& frame) {
    if (frame.duration <= 0 || !editing_ || writeFailed_ || file_->halted()) return;
    AVPacket* packet = av_packet_clone(frame.packet);
    int err = packet ? 0 : AVERROR(ENOMEM);
    const std::uint64_t before = file_->wholeBytes();
    if (packet) {
        packet->pts = packet->dts = frame.timeStamp;
        packet->duration = frame.duration;
        packet->stream_index = stream_->index;
        av_packet_rescale_ts(packet, AVRational{1, kTimeScale}, stream_->time_base);
        err = av_write_frame(format_, packet);
        av_packet_free(&packet);
    }
    err = flushed(format_, err);
    if (err < 0) {
        // A halted file refuses on purpose. Otherwise logged once and nothing
        // more taken: a full disk would otherwise flood the log.
        if (file_->halted()) return;
        qWarning("AddMediaSampleFromEncodedFrame() failed with error %i (%s)", err, avErrorText(err).constData());
        fail(err);
        return;
    }
    ++written_;
    // The muxer writes a fragment out whole when the next frame begins a
    // new one: every frame before this one is then on disk.
    file_->markWhole();
    if (file_->wholeBytes() > before) keptEnd_ = givenEnd_;
    if (firstPts_ < 0) firstPts_ = frame.timeStamp;
    givenEnd_ = frame.timeStamp + frame.duration;
}

void MovieFileSink::fail(int error) {
    writeFailed_ = true;
    file_->halt();
    if (failed_) failed_(error);
}

void MovieFileSink::close() {
    if (closed_ || !file_) return;
    closed_ = true;
    if (editing_ && !file_->halted()) {
        const int err = flushed(format_, av_write_trailer(format_));
        if (err < 0) {
            qWarning("AddMovieToStorage() failed with error %i (%s)", err, avErrorText(err).constData());
            fail(err);
        } else {
            file_->markWhole();
            keptEnd_ = givenEnd_;
        }
    }
    // A half-written fragment would leave the file's end unreadable.
    if (editing_ && file_->halted() && !deleted_) file_->trimToWhole();
    format_->pb = nullptr;
    file_.reset();
}

void MovieFileSink::halt(bool deleted) {
    if (!file_) return;
    deleted_ = deleted;
    file_->halt();
}

double MovieFileSink::secondsKept() const {
    const std::int64_t end = keptEnd_.load(), first = firstPts_.load();
    return end > first && first >= 0 ? double(end - first) / kTimeScale : 0.0;
}

} // namespace tarnvik
