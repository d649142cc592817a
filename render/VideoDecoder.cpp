#include "render/VideoDecoder.h"

#include "render/VideoTap.h"

#include <QRegularExpression>
#include <QUrl>
#include <QtDebug>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavdevice/avdevice.h>
#include <libavformat/avformat.h>
#include <libavutil/log.h>
#include <libavutil/mem.h>
#include <libavutil/pixdesc.h>
#include <libswscale/swscale.h>
}

#include <sys/stat.h>

#include <algorithm>
#include <cmath>

namespace tarnvik {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

namespace {

// How often a non-blocking device is asked again when it had nothing yet.
constexpr auto kDevicePoll = 4ms;

qint64 nowNs() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(Clock::now().time_since_epoch()).count();
}

QString ffmpegError(int code) {
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(code, text, sizeof text);
    return QString::fromUtf8(text);
}

QString localPath(const QString& source) {
    if (source.startsWith(QLatin1String("file:"), Qt::CaseInsensitive)) return QUrl(source).toLocalFile();
    return source;
}

// Only these take "timeout" as microseconds of socket I/O; for others (rtmp)
// it means something else, and "rw_timeout" and the interrupt callback serve.
bool takesSocketTimeout(const QString& scheme) {
    static const QStringList schemes = {
        QStringLiteral("rtsp"), QStringLiteral("rtsps"), QStringLiteral("udp"),  QStringLiteral("rtp"),
        QStringLiteral("tcp"),  QStringLiteral("http"),  QStringLiteral("https"),
    };
    return schemes.contains(scheme);
}

} // namespace

VideoSourceKind videoSourceKind(const QString& source) {
    const QString s = source.trimmed();
    if (s.isEmpty()) return VideoSourceKind::None;
    if (s.startsWith(QLatin1String("file:"), Qt::CaseInsensitive)) return VideoSourceKind::File;
    if (s.startsWith(QLatin1String("/dev/"))) {
        // Files kept in /dev/shm are files; anything else there is taken for a camera.
        struct stat st {};
        if (::stat(s.toLocal8Bit().constData(), &st) == 0 && S_ISREG(st.st_mode)) return VideoSourceKind::File;
        return VideoSourceKind::Device;
    }
    static const QRegularExpression url(QStringLiteral("^[A-Za-z][A-Za-z0-9+.-]*://"));
    if (url.match(s).hasMatch()) return VideoSourceKind::Network;
    return VideoSourceKind::File;
}

// ---------------------------------------------------------------------------

struct VideoDecoder::Input {
    explicit Input(VideoDecoder* o) : owner(o) {}
    ~Input() {
        if (tap) tap->streamClosed(owner);
        sws_freeContext(sws);
        av_frame_free(&frame);
        av_packet_free(&packet);
        avcodec_free_context(&codec);
        avformat_close_input(&format);
    }
    Input(const Input&) = delete;
    Input& operator=(const Input&) = delete;

    // Bounds the next blocking FFmpeg call; the interrupt callback enforces it.
    void arm(std::chrono::milliseconds limit) {
        timedOut = false;
        deadlineNs = nowNs() + std::chrono::duration_cast<std::chrono::nanoseconds>(limit).count();
    }
    void disarm() { deadlineNs = 0; }

    // The tap's listener, told of this stream before its first packet.
    VideoTapListener* tapped() {
        std::shared_ptr<VideoTapListener> now = VideoTap::shared().listener();
        if (now == tap) return tap.get();
        if (tap) tap->streamClosed(owner);
        tap = std::move(now);
        if (tap) tap->streamOpened(owner, format->streams[stream]);
        return tap.get();
    }

    QString reason(const char* what, int code) const {
        if (timedOut) {
            const auto ms = owner->options_.ioTimeout.count();
            return QStringLiteral("%1: no answer within %2 ms").arg(QLatin1String(what)).arg(ms);
        }
        return QStringLiteral("%1: %2").arg(QLatin1String(what), ffmpegError(code));
    }

    VideoDecoder* owner;
    AVFormatContext* format = nullptr;
    AVCodecContext* codec = nullptr;
    SwsContext* sws = nullptr;
    AVPacket* packet = nullptr;
    AVFrame* frame = nullptr;
    int stream = -1;
    bool live = false;
    bool damageLogged = false;
    int colourKey = -1; // colour space and range last given to sws
    std::atomic<qint64> deadlineNs{0};
    std::atomic<bool> timedOut{false};
    std::shared_ptr<VideoTapListener> tap;
};

int VideoDecoder::interruptCallback(void* opaque) {
    auto* in = static_cast<Input*>(opaque);
    if (in->owner->stopping_) return 1;
    const qint64 deadline = in->deadlineNs;
    if (deadline != 0 && nowNs() > deadline) {
        in->timedOut = true;
        return 1;
    }
    return 0;
}

VideoDecoder::VideoDecoder() : VideoDecoder(Options{}) {}

VideoDecoder::VideoDecoder(Options options) : options_(options) {
    // FFmpeg's own lines would repeat, less clearly, the one line logged here
    // per failure; a level someone chose on purpose is left alone.
    static std::once_flag quiet;
    std::call_once(quiet, [] {
        if (av_log_get_level() == AV_LOG_INFO) av_log_set_level(AV_LOG_FATAL);
    });
}

VideoDecoder::~VideoDecoder() { stop(); }

void VideoDecoder::setFrameCallback(std::function<void()> callback) {
    Q_ASSERT(!isRunning());
    callback_ = std::move(callback);
}

bool VideoDecoder::start(const QString& source) {
    stop();
    const QString trimmed = source.trimmed();
    // The same source again is the same outage, and is not logged again.
    if (trimmed != source_) failing_ = false;
    source_ = trimmed;
    kind_ = videoSourceKind(source_);
    {
        std::lock_guard lock(mutex_);
        frame_ = QImage();
        error_.clear();
    }
    if (kind_ == VideoSourceKind::None) {
        fail(QStringLiteral("nothing to open"));
        return false;
    }
    if (kind_ == VideoSourceKind::Network) {
        const QString scheme = source_.section(QStringLiteral("://"), 0, 0).toLower();
        const bool demuxerUrl = scheme == QLatin1String("rtsp") || scheme == QLatin1String("rtsps");
        if (!demuxerUrl && !avio_find_protocol_name(source_.toUtf8().constData())) {
            fail(QStringLiteral("cannot open: %1").arg(ffmpegError(AVERROR_PROTOCOL_NOT_FOUND)));
            return false;
        }
        worker_ = std::thread(&VideoDecoder::run, this, std::unique_ptr<Input>());
        return true;
    }
    QString error;
    std::unique_ptr<Input> input = open(error);
    if (!input) {
        fail(error);
        return false;
    }
    pacer_.restart();
    worker_ = std::thread(&VideoDecoder::run, this, std::move(input));
    return true;
}

void VideoDecoder::stop() {
    if (!worker_.joinable()) return;
    {
        // Under the lock, so that a wait on the condition cannot miss it.
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    changed_.notify_all();
    worker_.join();
    stopping_ = false;
}

std::unique_ptr<VideoDecoder::Input> VideoDecoder::open(QString& error) {
    auto in = std::make_unique<Input>(this);
    in->live = kind_ != VideoSourceKind::File;
    const AVInputFormat* inputFormat = nullptr;
    QByteArray url = source_.toUtf8();
    AVDictionary* options = nullptr;
    if (kind_ == VideoSourceKind::File) {
        url = localPath(source_).toUtf8();
    } else if (kind_ == VideoSourceKind::Device) {
        static std::once_flag devices;
        std::call_once(devices, [] { avdevice_register_all(); });
        inputFormat = av_find_input_format("v4l2");
        if (!inputFormat) {
            error = QStringLiteral("cannot open: this FFmpeg has no V4L2 input");
            return nullptr;
        }
    } else {
        const QByteArray micros = QByteArray::number(qint64(options_.ioTimeout.count()) * 1000);
        av_dict_set(&options, "rw_timeout", micros.constData(), 0);
        if (takesSocketTimeout(source_.section(QStringLiteral("://"), 0, 0).toLower()))
            av_dict_set(&options, "timeout", micros.constData(), 0);
    }

    in->format = avformat_alloc_context();
    if (!in->format) {
        av_dict_free(&options);
        error = in->reason("cannot open", AVERROR(ENOMEM));
        return nullptr;
    }
    in->format->interrupt_callback.callback = &VideoDecoder::interruptCallback;
    in->format->interrupt_callback.opaque = in.get();
    // V4L2 does not look at the interrupt callback while it waits for a picture.
    if (kind_ == VideoSourceKind::Device) in->format->flags |= AVFMT_FLAG_NONBLOCK;

    in->arm(options_.ioTimeout);
    int r = avformat_open_input(&in->format, url.constData(), inputFormat, &options);
    av_dict_free(&options);
    if (r < 0) { // the context is freed by FFmpeg
        error = in->reason("cannot open", r);
        return nullptr;
    }
    in->arm(options_.ioTimeout);
    r = avformat_find_stream_info(in->format, nullptr);
    if (r < 0) {
        error = in->reason("cannot read the stream", r);
        return nullptr;
    }
    in->disarm();

    const AVCodec* codec = nullptr;
    r = av_find_best_stream(in->format, AVMEDIA_TYPE_VIDEO, -1, -1, &codec, 0);
    if (r < 0) {
        error = in->reason("no usable video stream", r);
        return nullptr;
    }
    in->stream = r;
    const AVStream* stream = in->format->streams[r];
    in->codec = avcodec_alloc_context3(codec);
    if (!in->codec) {
        error = in->reason("cannot decode", AVERROR(ENOMEM));
        return nullptr;
    }
    r = avcodec_parameters_to_context(in->codec, stream->codecpar);
    if (r >= 0) {
        in->codec->pkt_timebase = stream->time_base;
        in->codec->thread_count = 0;
        // Frame threads hold frames back; a camera is wanted now.
        if (in->live) {
            in->codec->thread_type = FF_THREAD_SLICE;
            in->codec->flags |= AV_CODEC_FLAG_LOW_DELAY;
        }
        r = avcodec_open2(in->codec, codec, nullptr);
    }
    if (r < 0) {
        error = in->reason("cannot decode", r);
        return nullptr;
    }
    in->packet = av_packet_alloc();
    in->frame = av_frame_alloc();
    if (!in->packet || !in->frame) {
        error = in->reason("cannot decode", AVERROR(ENOMEM));
        return nullptr;
    }
    return in;
}

void VideoDecoder::run(std::unique_ptr<Input> input) {
    bool resuming = false;
    while (!stopping_) {
        if (!input) {
            QString error;
            input = open(error);
            if (!input) {
                if (stopping_) break;
                resuming = false;
                fail(error);
                if (waitStopped(Clock::now() + options_.retryInterval)) break;
                continue;
            }
            if (resuming)
                pacer_.looped();
            else
                pacer_.restart();
        }
        QString error;
        const Outcome outcome = play(*input, error);
        input.reset();
        if (outcome == Outcome::Stopped || stopping_) break;
        resuming = outcome == Outcome::Reopen;
        if (resuming) continue;
        fail(error);
        if (waitStopped(Clock::now() + options_.retryInterval)) break;
    }
}

VideoDecoder::Outcome VideoDecoder::play(Input& in, QString& error) {
    bool pictureThisPass = false;
    Clock::time_point lastData = Clock::now();
    while (!stopping_) {
        in.arm(options_.ioTimeout);
        const int r = av_read_frame(in.format, in.packet);
        in.disarm();
        if (stopping_) {
            av_packet_unref(in.packet);
            return Outcome::Stopped;
        }
        if (r == AVERROR(EAGAIN)) {
            if (Clock::now() - lastData > options_.ioTimeout) {
                error = QStringLiteral("no picture for %1 ms").arg(options_.ioTimeout.count());
                return Outcome::Failed;
            }
            if (waitStopped(Clock::now() + kDevicePoll)) return Outcome::Stopped;
            continue;
        }
        if (r < 0) {
            if (in.live || in.timedOut) {
                error = in.reason(r == AVERROR_EOF ? "the stream ended" : "cannot read", r);
                return Outcome::Failed;
            }
            // The end of a file, or a damaged tail: show what is held back, then loop.
            bool got = false;
            if (!decode(in, nullptr, got, error)) return error.isEmpty() ? Outcome::Stopped : Outcome::Failed;
            if (!pictureThisPass && !got) {
                error = in.reason("no picture could be decoded", r);
                return Outcome::Failed;
            }
            pictureThisPass = false;
            const AVStream* stream = in.format->streams[in.stream];
            const int64_t start = stream->start_time != AV_NOPTS_VALUE ? stream->start_time : 0;
            in.arm(options_.ioTimeout);
            const int s = av_seek_frame(in.format, in.stream, start, AVSEEK_FLAG_BACKWARD);
            in.disarm();
            if (s < 0) return Outcome::Reopen;
            avcodec_flush_buffers(in.codec);
            pacer_.looped();
            continue;
        }
        lastData = Clock::now();
        if (in.packet->stream_index == in.stream) {
            if (VideoTapListener* tap = in.tapped()) tap->packetRead(this, in.packet);
            bool got = false;
            const bool ok = decode(in, in.packet, got, error);
            pictureThisPass = pictureThisPass || got;
            if (!ok) {
                av_packet_unref(in.packet);
                return error.isEmpty() ? Outcome::Stopped : Outcome::Failed;
            }
        }
        av_packet_unref(in.packet);
    }
    return Outcome::Stopped;
}

bool VideoDecoder::decode(Input& in, const AVPacket* packet, bool& gotFrame, QString& error) {
    auto damaged = [&](int code) {
        // Damaged packets are skipped; one line says that it happens.
        if (in.damageLogged) return;
        in.damageLogged = true;
        qWarning("Video source \"%s\": skipping damaged data: %s", qUtf8Printable(source_),
                 qUtf8Printable(ffmpegError(code)));
    };
    int r = avcodec_send_packet(in.codec, packet);
    if (r < 0 && r != AVERROR(EAGAIN) && r != AVERROR_EOF) {
        damaged(r);
        return true;
    }
    for (;;) {
        r = avcodec_receive_frame(in.codec, in.frame);
        if (r == AVERROR(EAGAIN) || r == AVERROR_EOF) return true;
        if (r < 0) {
            damaged(r);
            return true;
        }
        gotFrame = true;
        if (in.tap) in.tap->pictureDecoded(this, in.frame);
        const bool ok = show(in, in.frame, error);
        av_frame_unref(in.frame);
        if (!ok) return false;
    }
}

bool VideoDecoder::show(Input& in, const AVFrame* frame, QString& error) {
    const int w = frame->width;
    const int h = frame->height;
    if (w <= 0 || h <= 0) return true;
    const auto format = static_cast<AVPixelFormat>(frame->format);
    const AVPixFmtDescriptor* desc = av_pix_fmt_desc_get(format);
    if (!desc) {
        error = QStringLiteral("cannot convert: unknown pixel format %1").arg(frame->format);
        return false;
    }
    // Non-square pixels (PAL and NTSC captures) are stretched so the picture has its true shape.
    int outW = w;
    const AVRational sar = frame->sample_aspect_ratio;
    if (sar.num > 0 && sar.den > 0 && sar.num != sar.den)
        outW = std::clamp(static_cast<int>(std::lround(w * av_q2d(sar))), 1, 16384);

    SwsContext* sws = sws_getCachedContext(in.sws, w, h, format, outW, h, AV_PIX_FMT_RGB32, SWS_BILINEAR,
                                           nullptr, nullptr, nullptr);
    if (!sws) {
        error = QStringLiteral("cannot convert %1 pictures of %2x%3").arg(QLatin1String(desc->name)).arg(w).arg(h);
        return false;
    }
    const int colourKey = frame->colorspace * 8 + frame->color_range;
    if (sws != in.sws || colourKey != in.colourKey) {
        in.sws = sws;
        in.colourKey = colourKey;
        int* inverse = nullptr;
        int* table = nullptr;
        int srcRange = 0, dstRange = 0, brightness = 0, contrast = 0, saturation = 0;
        // Fails for sources that are not YUV, which need nothing.
        if (sws_getColorspaceDetails(sws, &inverse, &srcRange, &table, &dstRange, &brightness, &contrast,
                                     &saturation) >= 0) {
            const int space = frame->colorspace == AVCOL_SPC_BT709 ? SWS_CS_ITU709 : SWS_CS_DEFAULT;
            if (frame->color_range == AVCOL_RANGE_JPEG) srcRange = 1;
            sws_setColorspaceDetails(sws, sws_getCoefficients(space), srcRange, table, dstRange, brightness,
                                     contrast, saturation);
        }
    }

    // swscale's vector code writes whole blocks of pixels past the end of a
    // row, so the rows are padded and a spare row follows the last.
    const int stride = FFALIGN(outW * 4, 64) + 64;
    auto* bits = static_cast<uchar*>(av_malloc(static_cast<size_t>(stride) * (h + 1)));
    if (!bits) {
        error = QStringLiteral("no memory for a %1x%2 picture").arg(outW).arg(h);
        return false;
    }
    const bool alpha = desc->flags & AV_PIX_FMT_FLAG_ALPHA;
    QImage image(bits, outW, h, stride, alpha ? QImage::Format_ARGB32 : QImage::Format_RGB32, &av_free, bits);
    uint8_t* dst[4] = {bits, nullptr, nullptr, nullptr};
    const int dstStride[4] = {stride, 0, 0, 0};
    sws_scale(sws, frame->data, frame->linesize, 0, h, dst, dstStride);
    if (alpha) image.convertTo(QImage::Format_ARGB32_Premultiplied);

    if (options_.pace && !in.live) {
        const AVRational base = in.format->streams[in.stream]->time_base;
        const double pts = frame->best_effort_timestamp == AV_NOPTS_VALUE
                               ? std::nan("")
                               : static_cast<double>(frame->best_effort_timestamp) * av_q2d(base);
        if (waitStopped(pacer_.due(pts, Clock::now()))) return false;
    }
    publish(std::move(image));
    return true;
}

void VideoDecoder::publish(QImage image) {
    // Back only once pictures come again: a source that opens and then fails
    // would otherwise log at every retry.
    if (failing_) {
        failing_ = false;
        qInfo("Video source \"%s\" is delivering pictures again", qUtf8Printable(source_));
    }
    {
        std::lock_guard lock(mutex_);
        frame_ = std::move(image);
        ++serial_;
    }
    changed_.notify_all();
    if (callback_) callback_();
}

void VideoDecoder::fail(const QString& reason) {
    const QString line = QStringLiteral("Video source \"%1\": %2").arg(source_, reason);
    if (!failing_) {
        qWarning("%s", qUtf8Printable(line));
        failing_ = true;
    }
    {
        std::lock_guard lock(mutex_);
        error_ = line;
    }
    changed_.notify_all();
}

bool VideoDecoder::waitStopped(Clock::time_point until) {
    std::unique_lock lock(mutex_);
    return changed_.wait_until(lock, until, [this] { return stopping_.load(); });
}

bool VideoDecoder::hasFrame() const {
    std::lock_guard lock(mutex_);
    return !frame_.isNull();
}

QImage VideoDecoder::latestFrame(quint64* serial) const {
    std::lock_guard lock(mutex_);
    if (serial) *serial = serial_;
    return frame_;
}

quint64 VideoDecoder::frameSerial() const {
    std::lock_guard lock(mutex_);
    return serial_;
}

bool VideoDecoder::waitForFrame(int timeoutMs, quint64 newerThan) const {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, std::chrono::milliseconds(timeoutMs), [&] { return serial_ > newerThan; });
}

QString VideoDecoder::lastError() const {
    std::lock_guard lock(mutex_);
    return error_;
}

bool VideoDecoder::waitForError(int timeoutMs) const {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, std::chrono::milliseconds(timeoutMs), [&] { return !error_.isEmpty(); });
}

} // namespace tarnvik
