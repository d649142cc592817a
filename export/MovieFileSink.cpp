#include "export/MovieFileSink.h"

#include "export/AvError.h"

#include <QFile>
#include <QtGlobal>

#include <algorithm>
#include <cstring>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/dict.h>
#include <libavutil/error.h>
#include <libavutil/mem.h>
}

namespace tarnvik {

namespace {

// Pushes what the muxer holds to the file: 0, or the first write error.
int flushed(AVFormatContext* format, int err) {
    if (err < 0) return err;
    avio_flush(format->pb);
    return format->pb->error;
}

// The text track's sample description after its common header: no
// scrolling, centred at the bottom, no background, white 18-point text in
// the player's sans-serif font.
constexpr std::uint8_t kTextSampleDescription[] = {
    0,    0,    0,    0,                             // display flags
    1,    0xff,                                      // justification: centre, bottom
    0,    0,    0,    0,                             // background colour
    0,    0,    0,    0,    0,   0,   0,   0,        // text box: the player's choice
    0,    0,    0,    0,    0,   1,   0,   18,       // style: all characters, font 1, plain, 18 point
    0xff, 0xff, 0xff, 0xff,                          // text colour
    0,    0,    0,    17,   'f', 't', 'a', 'b',      // font table
    0,    1,    0,    1,    4,   'S', 'a', 'n', 's', // font 1
};

} // namespace

std::shared_ptr<MovieFileSink> MovieFileSink::create(const QString& path, bool exclusive, int* error) {
    std::shared_ptr<MovieFileSink> s(new MovieFileSink);
    const QByteArray file = QFile::encodeName(path);
    int err = avformat_alloc_output_context2(&s->format_, nullptr, "mov", file.constData());
    if (err < 0 || !s->format_) {
        if (error) *error = err < 0 ? err : AVERROR(ENOMEM);
        qWarning("QTNewDataReferenceFromFullPathCFString() failed with error %i (%s)", err,
                 avErrorText(err).constData());
        return nullptr;
    }
    // Opening for writing truncates: an existing file is replaced, unless exclusive.
    s->file_ = MovieFile::create(file, &err, exclusive);
    if (!s->file_) {
        if (error) *error = err;
        // The caller of an exclusive create tries another name.
        if (!(exclusive && err == AVERROR(EEXIST)))
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
    if (cuesEnabled_) {
        if (const int err = addTextTrack(); err < 0) {
            qWarning("NewMovieTrack() failed with error %i (%s)", err, avErrorText(err).constData());
            return err;
        }
    }
    if (creationTime_.isValid()) {
        const QByteArray utc = creationTime_.toUTC().toString(Qt::ISODateWithMs).toUtf8();
        av_dict_set(&format_->metadata, "creation_time", utc.constData(), 0);
        av_dict_set(&format_->metadata, "date", utc.constData(), 0);
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

int MovieFileSink::addTextTrack() {
    text_ = avformat_new_stream(format_, nullptr);
    if (!text_) return AVERROR(ENOMEM);
    text_->time_base = AVRational{1, kTimeScale};
    AVCodecParameters* par = text_->codecpar;
    par->codec_type = AVMEDIA_TYPE_SUBTITLE;
    par->codec_id = AV_CODEC_ID_MOV_TEXT;
    const int size = int(sizeof kTextSampleDescription);
    par->extradata = static_cast<std::uint8_t*>(av_mallocz(size + AV_INPUT_BUFFER_PADDING_SIZE));
    if (!par->extradata) return AVERROR(ENOMEM);
    std::memcpy(par->extradata, kTextSampleDescription, size);
    par->extradata_size = size;
    return 0;
}

void MovieFileSink::addCue(std::int64_t start, std::int64_t duration, const QString& text) {
    if (!cuesEnabled_ || duration <= 0) return;
    // A sample is the text's length as two bytes, big-endian, then the text in UTF-8.
    QByteArray bytes = text.toUtf8().left(0xffff);
    bytes.prepend(char(bytes.size() & 0xff));
    bytes.prepend(char(bytes.size() >> 8 & 0xff));
    std::lock_guard lock(cuesMutex_);
    cues_.push_back({start - origin_, duration, std::move(bytes)});
}

int MovieFileSink::writeCues(std::int64_t before, std::int64_t endAtMost) {
    if (!text_) return 0;
    for (;;) {
        Cue cue;
        {
            std::lock_guard lock(cuesMutex_);
            if (cues_.empty() || cues_.front().start >= before) return 0;
            cue = std::move(cues_.front());
            cues_.pop_front();
        }
        // The track's times only go forward, and no cue outlasts the picture.
        const std::int64_t start = std::max(cue.start, cuesEnd_);
        const std::int64_t end = std::min(cue.start + cue.duration, endAtMost);
        if (end <= start) continue;
        AVPacket* packet = av_packet_alloc();
        if (!packet || av_new_packet(packet, int(cue.text.size())) < 0) {
            av_packet_free(&packet);
            return AVERROR(ENOMEM);
        }
        std::memcpy(packet->data, cue.text.constData(), std::size_t(cue.text.size()));
        packet->pts = packet->dts = start;
        packet->duration = end - start;
        packet->flags |= AV_PKT_FLAG_KEY;
        packet->stream_index = text_->index;
        av_packet_rescale_ts(packet, AVRational{1, kTimeScale}, text_->time_base);
        const int err = av_write_frame(format_, packet);
        av_packet_free(&packet);
        if (err < 0) return err;
        cuesEnd_ = end;
    }
}

void MovieFileSink::write(const EncodedPacket& frame) {
    if (frame.duration <= 0 || !editing_ || writeFailed_ || file_->halted()) return;
    const std::int64_t at = frame.timeStamp - origin_;
    if (at < 0) return;
    // The cues up to this frame go first: the muxer wants its packets in time order.
    int err = writeCues(at + 1, INT64_MAX);
    AVPacket* packet = err < 0 ? nullptr : av_packet_clone(frame.packet);
    if (!packet && err == 0) err = AVERROR(ENOMEM);
    const std::uint64_t before = file_->wholeBytes();
    if (packet) {
        packet->pts = packet->dts = at;
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
    if (firstPts_ < 0) firstPts_ = at;
    givenEnd_ = at + frame.duration;
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
        // The cues still waiting go with the picture they belong to.
        int err = writeCues(givenEnd_, givenEnd_);
        err = flushed(format_, err < 0 ? err : av_write_trailer(format_));
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
