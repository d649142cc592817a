#include "export/PacketCopyFile.h"

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

bool PacketCopyFile::canCopy(const AVCodecParameters* codec) {
    if (!codec || codec->codec_type != AVMEDIA_TYPE_VIDEO || codec->codec_id == AV_CODEC_ID_RAWVIDEO) return false;
    const AVOutputFormat* mov = av_guess_format("mov", nullptr, nullptr);
    return mov && avformat_query_codec(mov, codec->codec_id, FF_COMPLIANCE_NORMAL) == 1;
}

std::unique_ptr<PacketCopyFile> PacketCopyFile::create(const QString& path, const AVCodecParameters* codec,
                                                       AVRational timeBase, const QDateTime& utc, int* error) {
    std::unique_ptr<PacketCopyFile> f(new PacketCopyFile);
    f->path_ = path;
    f->timeBase_ = timeBase;
    const QByteArray file = QFile::encodeName(path);
    auto failed = [&](int err, const char* what) {
        if (error) *error = err;
        if (err != AVERROR(EEXIST))
            qWarning("Cannot record the clean picture to \"%s\": %s: %s", file.constData(), what,
                     avErrorText(err).constData());
        return nullptr;
    };
    int err = avformat_alloc_output_context2(&f->format_, nullptr, "mov", file.constData());
    if (err < 0 || !f->format_) return failed(err < 0 ? err : AVERROR(ENOMEM), "avformat_alloc_output_context2");
    f->file_ = MovieFile::create(file, &err, true);
    if (!f->file_) return failed(err, "open");
    f->format_->pb = f->file_->io();
    f->format_->flags |= AVFMT_FLAG_CUSTOM_IO | AVFMT_FLAG_FLUSH_PACKETS;
    f->stream_ = avformat_new_stream(f->format_, nullptr);
    if (!f->stream_) return failed(AVERROR(ENOMEM), "avformat_new_stream");
    if (err = avcodec_parameters_copy(f->stream_->codecpar, codec); err < 0)
        return failed(err, "avcodec_parameters_copy");
    // The source's own tag may belong to another container.
    f->stream_->codecpar->codec_tag = 0;
    f->stream_->time_base = timeBase;
    if (utc.isValid()) {
        const QByteArray when = utc.toUTC().toString(Qt::ISODateWithMs).toUtf8();
        av_dict_set(&f->format_->metadata, "creation_time", when.constData(), 0);
        av_dict_set(&f->format_->metadata, "date", when.constData(), 0);
    }
    AVDictionary* opts = nullptr;
    // Fragments of about a second, as our own movies have.
    av_dict_set(&opts, "movflags", "frag_keyframe+empty_moov+default_base_moof", 0);
    av_dict_set(&opts, "frag_duration", "1000000", 0);
    err = avformat_write_header(f->format_, &opts);
    av_dict_free(&opts);
    if (err >= 0) {
        avio_flush(f->format_->pb);
        err = f->format_->pb->error;
    }
    if (err < 0) return failed(err, "avformat_write_header");
    f->file_->markWhole();
    return f;
}

PacketCopyFile::~PacketCopyFile() {
    finish();
    if (format_) format_->pb = nullptr;
    avformat_free_context(format_);
}

int PacketCopyFile::write(const AVPacket* source, std::int64_t dts, std::int64_t pts, std::int64_t duration) {
    if (finished_ || failed_ || !file_) return AVERROR(EINVAL);
    AVPacket* packet = av_packet_clone(source);
    if (!packet) return AVERROR(ENOMEM);
    packet->dts = dts;
    packet->pts = pts;
    packet->duration = duration;
    packet->stream_index = stream_->index;
    packet->pos = -1;
    av_packet_rescale_ts(packet, timeBase_, stream_->time_base);
    int err = av_write_frame(format_, packet);
    av_packet_free(&packet);
    if (err >= 0) {
        avio_flush(format_->pb);
        err = format_->pb->error;
    }
    if (err < 0) {
        qWarning("Cannot record the clean picture to \"%s\": %s", QFile::encodeName(path_).constData(),
                 avErrorText(err).constData());
        failed_ = true;
        file_->halt();
        return err;
    }
    ++written_;
    file_->markWhole();
    return 0;
}

void PacketCopyFile::finish() {
    if (finished_ || !file_) return;
    finished_ = true;
    if (!failed_) {
        int err = av_write_trailer(format_);
        if (err >= 0) {
            avio_flush(format_->pb);
            err = format_->pb->error;
        }
        if (err < 0) {
            qWarning("Cannot finish the clean picture's file \"%s\": %s", QFile::encodeName(path_).constData(),
                     avErrorText(err).constData());
            file_->halt();
            failed_ = true;
        } else {
            file_->markWhole();
        }
    }
    // A half-written fragment would leave the file's end unreadable.
    if (failed_) file_->trimToWhole();
    format_->pb = nullptr;
    file_.reset();
}

} // namespace tarnvik
