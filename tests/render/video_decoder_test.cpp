// Video input: source kinds, file pacing, the test pattern, decoding a clip
// written here with libavcodec, failing sources, and the QML item.
#include "render/FramePacer.h"
#include "render/TestPattern.h"
#include "render/VideoDecoder.h"
#include "render/VideoSourceItem.h"
#include "tools/loopback.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QQuickWindow>
#include <QTemporaryDir>
#include <QTimer>

#include <gtest/gtest.h>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
}

#include <algorithm>
#include <array>
#include <cmath>
#include <tuple>
#include <vector>

using namespace tarnvik;
using namespace std::chrono_literals;

namespace {

// ---------------------------------------------------------------------------
// A small clip: each frame has four coloured quadrants, so that a flipped,
// mirrored or mis-strided picture shows as wrong colours.

constexpr QSize kClipSize(170, 100); // not a multiple of 16: catches stride mistakes
constexpr int kClipFrames = 10;
const std::array<QRgb, 4> kQuadrants = {qRgb(220, 40, 40), qRgb(40, 200, 60), qRgb(40, 60, 210),
                                        qRgb(230, 220, 40)}; // top left, top right, bottom left, bottom right

QRgb quadrantColour(int x, int y, QSize size) {
    return kQuadrants[(y >= size.height() / 2 ? 2 : 0) + (x >= size.width() / 2 ? 1 : 0)];
}

// BT.601 limited range, which is what the decoder assumes for unmarked video.
void toYuv(QRgb c, int& y, int& u, int& v) {
    const double r = qRed(c), g = qGreen(c), b = qBlue(c);
    y = static_cast<int>(std::lround(16 + 0.257 * r + 0.504 * g + 0.098 * b));
    u = static_cast<int>(std::lround(128 - 0.148 * r - 0.291 * g + 0.439 * b));
    v = static_cast<int>(std::lround(128 + 0.439 * r - 0.368 * g - 0.071 * b));
}

// Encodes the quadrant picture as MPEG-4 at 25 frames a second into a file or
// a stream URL. Each call gives an empty string on success, else why not.
class ClipWriter {
public:
    ~ClipWriter() {
        av_packet_free(&packet_);
        av_frame_free(&frame_);
        avcodec_free_context(&enc_);
        if (out_ && out_->pb) avio_closep(&out_->pb);
        avformat_free_context(out_);
    }

    QString open(const char* format, const QString& url) {
        const AVCodec* codec = avcodec_find_encoder(AV_CODEC_ID_MPEG4);
        if (!codec) return QStringLiteral("no MPEG-4 encoder");
        const QByteArray target = url.toUtf8();
        if (avformat_alloc_output_context2(&out_, nullptr, format, target.constData()) < 0)
            return QStringLiteral("no %1 muxer").arg(QLatin1String(format));
        out_->flags |= AVFMT_FLAG_FLUSH_PACKETS;
        stream_ = avformat_new_stream(out_, nullptr);
        enc_ = avcodec_alloc_context3(codec);
        frame_ = av_frame_alloc();
        packet_ = av_packet_alloc();
        if (!stream_ || !enc_ || !frame_ || !packet_) return QStringLiteral("out of memory");
        enc_->width = kClipSize.width();
        enc_->height = kClipSize.height();
        enc_->pix_fmt = AV_PIX_FMT_YUV420P;
        enc_->time_base = AVRational{1, 25};
        enc_->framerate = AVRational{25, 1};
        enc_->gop_size = 1; // every frame a key frame, so a stream can be joined anywhere
        enc_->flags |= AV_CODEC_FLAG_QSCALE;
        enc_->global_quality = FF_QP2LAMBDA * 2;
        if (avcodec_open2(enc_, codec, nullptr) < 0) return QStringLiteral("cannot open the encoder");
        avcodec_parameters_from_context(stream_->codecpar, enc_);
        stream_->time_base = enc_->time_base;
        if (avio_open(&out_->pb, target.constData(), AVIO_FLAG_WRITE) < 0) return QStringLiteral("cannot write");
        if (avformat_write_header(out_, nullptr) < 0) return QStringLiteral("cannot write the header");
        frame_->format = enc_->pix_fmt;
        frame_->width = enc_->width;
        frame_->height = enc_->height;
        if (av_frame_get_buffer(frame_, 0) < 0) return QStringLiteral("out of memory");
        for (int y = 0; y < kClipSize.height(); ++y) {
            for (int x = 0; x < kClipSize.width(); ++x) {
                int yy, u, v;
                toYuv(quadrantColour(x, y, kClipSize), yy, u, v);
                frame_->data[0][y * frame_->linesize[0] + x] = static_cast<uint8_t>(yy);
                if (x % 2 == 0 && y % 2 == 0) {
                    frame_->data[1][(y / 2) * frame_->linesize[1] + x / 2] = static_cast<uint8_t>(u);
                    frame_->data[2][(y / 2) * frame_->linesize[2] + x / 2] = static_cast<uint8_t>(v);
                }
            }
        }
        return {};
    }

    QString writeFrame() {
        frame_->pts = pts_++;
        if (avcodec_send_frame(enc_, frame_) < 0 || !drain()) return QStringLiteral("cannot encode");
        return {};
    }

    QString finish() {
        if (avcodec_send_frame(enc_, nullptr) < 0 || !drain()) return QStringLiteral("cannot flush");
        if (av_write_trailer(out_) < 0) return QStringLiteral("cannot write the trailer");
        return {};
    }

private:
    bool drain() {
        int r;
        while ((r = avcodec_receive_packet(enc_, packet_)) >= 0) {
            av_packet_rescale_ts(packet_, enc_->time_base, stream_->time_base);
            packet_->stream_index = stream_->index;
            if (av_interleaved_write_frame(out_, packet_) < 0) return false;
        }
        return r == AVERROR(EAGAIN) || r == AVERROR_EOF;
    }

    AVFormatContext* out_ = nullptr;
    AVStream* stream_ = nullptr;
    AVCodecContext* enc_ = nullptr;
    AVFrame* frame_ = nullptr;
    AVPacket* packet_ = nullptr;
    int64_t pts_ = 0;
};

QString writeClip(const QString& path) {
    ClipWriter w;
    QString error = w.open("avi", path);
    for (int i = 0; i < kClipFrames && error.isEmpty(); ++i) error = w.writeFrame();
    return error.isEmpty() ? w.finish() : error;
}

int colourDistance(QRgb a, QRgb b) {
    return std::max({std::abs(qRed(a) - qRed(b)), std::abs(qGreen(a) - qGreen(b)), std::abs(qBlue(a) - qBlue(b))});
}

// Checks the centre of each quadrant of a picture of the clip at rect.
void expectQuadrants(const QImage& image, const QRect& rect) {
    for (int q = 0; q < 4; ++q) {
        const int x = rect.x() + rect.width() * (q % 2 ? 3 : 1) / 4;
        const int y = rect.y() + rect.height() * (q / 2 ? 3 : 1) / 4;
        const QRgb got = image.pixel(x, y);
        EXPECT_LE(colourDistance(got, kQuadrants[static_cast<size_t>(q)]), 24)
            << "quadrant " << q << " at " << x << "," << y << " is " << std::hex << got;
        EXPECT_EQ(qAlpha(got), 255);
    }
}

class VideoClip : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir_.isValid());
        path_ = dir_.filePath(QStringLiteral("clip.avi"));
        const QString error = writeClip(path_);
        if (error == QLatin1String("no MPEG-4 encoder")) GTEST_SKIP() << "this FFmpeg cannot encode MPEG-4";
        ASSERT_TRUE(error.isEmpty()) << error.toStdString();
    }
    QTemporaryDir dir_;
    QString path_;
};

// Collects the warnings logged while it lives.
class WarningLog {
public:
    WarningLog() {
        lines().clear();
        previous_ = qInstallMessageHandler([](QtMsgType type, const QMessageLogContext&, const QString& text) {
            if (type == QtWarningMsg) lines().push_back(text);
        });
    }
    ~WarningLog() { qInstallMessageHandler(previous_); }
    static std::vector<QString>& lines() {
        static std::vector<QString> collected;
        return collected;
    }

private:
    QtMessageHandler previous_;
};

VideoDecoder::Options unpaced() {
    VideoDecoder::Options o;
    o.pace = false;
    return o;
}

// ---------------------------------------------------------------------------

TEST(VideoSourceKind, TellsFilesDevicesAndStreamsApart) {
    const struct {
        const char* source;
        VideoSourceKind kind;
    } rows[] = {
        {"", VideoSourceKind::None},
        {"   ", VideoSourceKind::None},
        {"/home/rov/dive.mp4", VideoSourceKind::File},
        {"relative/dive.mov", VideoSourceKind::File},
        {"file:///home/rov/dive.mp4", VideoSourceKind::File},
        {"/dev/video0", VideoSourceKind::Device},
        {"/dev/null", VideoSourceKind::Device},
        {"rtsp://10.0.0.5:554/stream1", VideoSourceKind::Network},
        {"udp://@:5000", VideoSourceKind::Network},
        {"http://camera.local/mjpeg", VideoSourceKind::Network},
        {"srt+x://host:1", VideoSourceKind::Network},
        {"C:dive.mp4", VideoSourceKind::File},
    };
    for (const auto& row : rows)
        EXPECT_EQ(videoSourceKind(QString::fromUtf8(row.source)), row.kind) << row.source;
    // A regular file under /dev/ is a file, not a camera.
    QTemporaryDir shm(QStringLiteral("/dev/shm/tarnvik-XXXXXX"));
    QFile file(shm.filePath(QStringLiteral("clip.avi")));
    if (shm.isValid() && file.open(QIODevice::WriteOnly)) {
        file.close();
        EXPECT_EQ(videoSourceKind(file.fileName()), VideoSourceKind::File);
    }
}

TEST(FramePacer, PlaysAtTheFileSpeedAndRecoversFromJumps) {
    enum Step { Frame, Restart, Looped };
    const struct Row {
        const char* what;
        std::vector<std::tuple<Step, double, int, int>> steps; // step, pts, now (ms), expected due (ms)
    } rows[] = {
        {"steady 25 fps", {{Frame, 0.0, 0, 0}, {Frame, 0.04, 5, 40}, {Frame, 0.08, 30, 80}}},
        {"timestamps need not start at zero", {{Frame, 10.0, 100, 100}, {Frame, 10.04, 100, 140}}},
        {"a loop follows on one interval later",
         {{Frame, 0.0, 0, 0}, {Frame, 0.04, 0, 40}, {Looped, 0, 0, 0}, {Frame, 0.0, 45, 80}, {Frame, 0.04, 45, 120}}},
        {"a backward jump follows on", {{Frame, 5.0, 0, 0}, {Frame, 5.04, 0, 40}, {Frame, 1.0, 10, 80}}},
        {"a long gap is a cut", {{Frame, 0.0, 0, 0}, {Frame, 0.04, 0, 40}, {Frame, 60.0, 10, 80}}},
        {"falling far behind moves the clock", {{Frame, 0.0, 0, 0}, {Frame, 0.04, 500, 500}, {Frame, 0.08, 500, 540}}},
        {"a little late is kept", {{Frame, 0.0, 0, 0}, {Frame, 0.04, 100, 40}}},
        {"restart shows at once", {{Frame, 0.0, 0, 0}, {Restart, 0, 0, 0}, {Frame, 3.0, 700, 700}}},
        {"unknown timestamps go on at the last interval",
         {{Frame, 0.0, 0, 0}, {Frame, 0.02, 0, 20}, {Frame, NAN, 0, 40}, {Frame, NAN, 0, 60}}},
    };
    for (const Row& row : rows) {
        FramePacer pacer;
        const FramePacer::Clock::time_point t0{std::chrono::hours(1)};
        for (const auto& [step, pts, now, expected] : row.steps) {
            if (step == Restart) {
                pacer.restart();
            } else if (step == Looped) {
                pacer.looped();
            } else {
                const auto due = pacer.due(pts, t0 + std::chrono::milliseconds(now));
                const double ms = std::chrono::duration<double, std::milli>(due - t0).count();
                EXPECT_NEAR(ms, expected, 0.01) << row.what << ", pts " << pts;
            }
        }
    }
}

TEST(TestPattern, HasTheAskedSizeAndMovesOnlyWithTime) {
    for (const QSize size : {QSize(1, 1), QSize(64, 36), QSize(640, 480), QSize(1920, 1080)}) {
        const QImage a = testPattern(size, 1.25);
        ASSERT_EQ(a.size(), size);
        EXPECT_EQ(a, testPattern(size, 1.25)) << size.width() << "x" << size.height();
        if (size.width() >= 64) {
            EXPECT_NE(a, testPattern(size, 2.5)) << size.width() << "x" << size.height();
        }
    }
    EXPECT_NE(testPattern(QSize(320, 180), 0.0), testPattern(QSize(320, 180), 0.01)) << "the clock runs in hundredths";
    EXPECT_TRUE(testPattern(QSize(), 1).isNull());
    EXPECT_TRUE(testPattern(QSize(0, 10), 1).isNull());
    EXPECT_EQ(testPattern(QSize(32, 18), NAN).size(), QSize(32, 18));
    EXPECT_EQ(testPattern(QSize(32, 18), -5), testPattern(QSize(32, 18), 0));
}

TEST(VideoDecoder, SourcesThatCannotOpenFailWithOneLineNamingThem) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString garbage = dir.filePath(QStringLiteral("garbage.avi"));
    QFile g(garbage);
    ASSERT_TRUE(g.open(QIODevice::WriteOnly));
    g.write(QByteArray(4096, '\x5a'));
    g.close();
    const QString empty = dir.filePath(QStringLiteral("empty.mp4"));
    QFile e(empty);
    ASSERT_TRUE(e.open(QIODevice::WriteOnly));
    e.close();

    const QString sources[] = {dir.filePath(QStringLiteral("missing.mp4")), garbage, empty,
                               QStringLiteral("/dev/video-tarnvik-none"), QStringLiteral("nosuchproto://x/y")};
    for (const QString& source : sources) {
        WarningLog log;
        VideoDecoder decoder;
        EXPECT_FALSE(decoder.start(source)) << source.toStdString();
        EXPECT_FALSE(decoder.isRunning());
        EXPECT_FALSE(decoder.hasFrame());
        EXPECT_TRUE(decoder.lastError().contains(source)) << decoder.lastError().toStdString();
        // Trying the same source again, as the item does, does not repeat the line.
        EXPECT_FALSE(decoder.start(source));
        ASSERT_EQ(log.lines().size(), 1u) << source.toStdString();
        EXPECT_EQ(log.lines().front(), decoder.lastError());
    }
}

TEST_F(VideoClip, DecodesLoopsAndKeepsTheLastFrameUntilAnotherSource) {
    std::atomic<int> notices{0};
    VideoDecoder decoder(unpaced());
    decoder.setFrameCallback([&] { ++notices; });
    ASSERT_TRUE(decoder.start(QStringLiteral("file://") + path_)) << decoder.lastError().toStdString();
    EXPECT_TRUE(decoder.waitForFrame(3000, 3 * kClipFrames)) << "only " << decoder.frameSerial() << " frames";
    decoder.stop(); // joined: every notice for a published frame has been given
    EXPECT_FALSE(decoder.isRunning());
    EXPECT_GE(notices.load(), 3 * kClipFrames);
    quint64 serial = 0;
    const QImage frame = decoder.latestFrame(&serial);
    EXPECT_EQ(serial, decoder.frameSerial());
    EXPECT_FALSE(decoder.waitForFrame(0, serial));
    ASSERT_EQ(frame.size(), kClipSize);
    EXPECT_TRUE(frame.format() == QImage::Format_RGB32 || frame.format() == QImage::Format_ARGB32_Premultiplied);
    expectQuadrants(frame, frame.rect());
    EXPECT_TRUE(decoder.lastError().isEmpty()) << decoder.lastError().toStdString();
    EXPECT_FALSE(decoder.start(dir_.filePath(QStringLiteral("missing.avi"))));
    EXPECT_FALSE(decoder.hasFrame());
}

TEST_F(VideoClip, PacedFileShowsItsFirstFrameAtOnce) {
    VideoDecoder decoder;
    ASSERT_TRUE(decoder.start(path_));
    EXPECT_TRUE(decoder.waitForFrame(2000));
}

// Nothing sends to this port, so opening waits for data that never comes.
const QString kSilentUdp = QStringLiteral("udp://127.0.0.1:0");

TEST(VideoDecoder, SilentStreamTimesOutAndIsRetriedWithoutBlockingStart) {
    VideoDecoder::Options options;
    options.ioTimeout = 200ms;
    options.retryInterval = 10s;
    WarningLog log;
    VideoDecoder decoder(options);
    QElapsedTimer clock;
    clock.start();
    ASSERT_TRUE(decoder.start(kSilentUdp));
    EXPECT_LT(clock.elapsed(), 150) << "start() waited for the stream";
    ASSERT_TRUE(decoder.waitForError(3000));
    EXPECT_TRUE(decoder.lastError().contains(kSilentUdp)) << decoder.lastError().toStdString();
    EXPECT_TRUE(decoder.lastError().contains(QLatin1String("200 ms"))) << decoder.lastError().toStdString();
    EXPECT_TRUE(decoder.isRunning()) << "a stream is retried";
    clock.restart();
    decoder.stop();
    EXPECT_LT(clock.elapsed(), 1000) << "stop() waited out the retry pause";
    EXPECT_EQ(log.lines().size(), 1u);
}

TEST(VideoDecoder, StopInterruptsAnOpenThatWouldWaitLong) {
    VideoDecoder::Options options;
    options.ioTimeout = 60s;
    VideoDecoder decoder(options);
    ASSERT_TRUE(decoder.start(kSilentUdp));
    EXPECT_FALSE(decoder.waitForError(100));
    QElapsedTimer clock;
    clock.start();
    decoder.stop();
    EXPECT_LT(clock.elapsed(), 1000);
    EXPECT_TRUE(decoder.lastError().isEmpty()) << "a stop is not a failure";
}

// Sends frames until the decoder shows one newer than serial; datagrams sent
// before it listens are lost, so one frame is not enough.
bool sendUntilShown(ClipWriter& sender, const VideoDecoder& decoder, quint64 serial) {
    for (int round = 0; round < 300; ++round) {
        for (int i = 0; i < 2; ++i) {
            const QString error = sender.writeFrame();
            if (!error.isEmpty()) {
                ADD_FAILURE() << error.toStdString();
                return false;
            }
        }
        if (decoder.waitForFrame(10, serial)) return true;
    }
    return false;
}

TEST(VideoDecoder, LiveStreamThatGoesSilentKeepsItsFrameLogsOnceAndComesBack) {
    const int port = loopback::ledig_port();
    ASSERT_GT(port, 0);
    const QString url = QStringLiteral("udp://127.0.0.1:%1").arg(port);
    VideoDecoder::Options options;
    options.ioTimeout = 500ms;
    options.retryInterval = 50ms;
    WarningLog log;
    VideoDecoder decoder(options);
    ASSERT_TRUE(decoder.start(url));

    ClipWriter sender;
    const QString error = sender.open("mpegts", url + QStringLiteral("?pkt_size=1316"));
    if (error == QLatin1String("no MPEG-4 encoder")) GTEST_SKIP() << "this FFmpeg cannot encode MPEG-4";
    ASSERT_TRUE(error.isEmpty()) << error.toStdString();
    ASSERT_TRUE(sendUntilShown(sender, decoder, 0)) << decoder.lastError().toStdString();
    EXPECT_EQ(decoder.latestFrame().size(), kClipSize);

    // Silence: the read gives up, the picture stays and the stream is opened again.
    ASSERT_TRUE(decoder.waitForError(3000));
    EXPECT_TRUE(decoder.lastError().contains(url)) << decoder.lastError().toStdString();
    EXPECT_TRUE(decoder.hasFrame());
    EXPECT_TRUE(decoder.isRunning());
    expectQuadrants(decoder.latestFrame(), QRect(QPoint(), kClipSize));

    EXPECT_TRUE(sendUntilShown(sender, decoder, decoder.frameSerial())) << "the stream was not opened again";
    EXPECT_EQ(log.lines().size(), 1u) << "one line for the whole outage";
}

// ---------------------------------------------------------------------------

// Waits, running the event loop, for the item's live flag to become want.
bool waitForLive(VideoSourceItem* item, bool want, int timeoutMs) {
    if (item->isLive() == want) return true;
    QEventLoop loop;
    QObject::connect(item, &VideoSourceItem::liveChanged, &loop, [&] {
        if (item->isLive() == want) loop.quit();
    });
    QTimer::singleShot(timeoutMs, &loop, &QEventLoop::quit);
    loop.exec();
    return item->isLive() == want;
}

class VideoItem : public VideoClip {
protected:
    void SetUp() override {
        VideoClip::SetUp();
        if (IsSkipped() || HasFatalFailure()) return;
        window_.resize(kWindow);
        item_ = new VideoSourceItem(window_.contentItem());
        item_->setSize(kWindow);
    }
    static constexpr QSize kWindow{320, 120};
    QQuickWindow window_;
    VideoSourceItem* item_ = nullptr; // owned by the window's content item
};

TEST_F(VideoItem, ShowsThePatternUntilFramesComeThenLetterboxesThem) {
    item_->setTime(1.5);
    QImage shot = window_.grabWindow();
    ASSERT_EQ(shot.size(), kWindow);
    const QImage pattern = testPattern(kWindow, 1.5);
    for (const QPoint p : {QPoint(20, 20), QPoint(160, 100), QPoint(300, 60)})
        EXPECT_LE(colourDistance(shot.pixel(p), pattern.pixel(p)), 8) << p.x() << "," << p.y();
    item_->setTime(3.0);
    EXPECT_NE(window_.grabWindow(), shot) << "the pattern did not move with time";

    item_->setSource(path_);
    ASSERT_TRUE(waitForLive(item_, true, 3000));
    shot = window_.grabWindow().convertToFormat(QImage::Format_RGB32);
    // 170x100 fitted into 320x120 is 204x120, centred.
    const QRect picture(58, 0, 204, 120);
    expectQuadrants(shot, picture);
    const QPoint bars[] = {QPoint(5, 60), QPoint(50, 5), QPoint(270, 110), QPoint(314, 60)};
    for (const QPoint p : bars) EXPECT_EQ(shot.pixel(p), qRgb(0, 0, 0)) << "letterbox at " << p.x() << "," << p.y();

    // A transparent background lets what is under the item show in the bars.
    window_.setColor(QColor(0, 0, 255));
    item_->setBackground(Qt::transparent);
    shot = window_.grabWindow().convertToFormat(QImage::Format_RGB32);
    for (const QPoint p : bars) EXPECT_EQ(shot.pixel(p), qRgb(0, 0, 255)) << "letterbox at " << p.x() << "," << p.y();
    expectQuadrants(shot, picture);

    // Nothing, or a source that cannot open (one log line), shows the pattern again.
    WarningLog log;
    for (const QString& source : {QString(), dir_.filePath(QStringLiteral("missing.avi"))}) {
        item_->setSource(source);
        EXPECT_FALSE(item_->isLive());
        shot = window_.grabWindow();
        EXPECT_LE(colourDistance(shot.pixel(20, 20), testPattern(kWindow, 3.0).pixel(20, 20)), 8);
    }
    EXPECT_EQ(log.lines().size(), 1u);
}

} // namespace
