#include "app/AppController.h"
#include "app/CompressionDialog.h"
#include "app/RenderView.h"
#include "export/FrameLiveDVExporter.h"
#include "export/FrameMovieExporter.h"
#include "render/CompositionScene.h"
#include "tests/app/wait_for.h"
#include "tests/export/log_capture.h"

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QMainWindow>
#include <QTemporaryDir>
#include <QTimer>
#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <csignal>
#include <functional>
#include <vector>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libswscale/swscale.h>
}

using namespace tarnvik;
using tarnvik::test::LogCapture;
using tarnvik::test::waitFor;

namespace {

// A recording as a player reads it: its frames' times and the first frame
// as RGB.
struct Playback {
    bool opened = false;
    int width = 0, height = 0;
    AVCodecID codec = AV_CODEC_ID_NONE;
    AVRational timeBase{0, 1};
    double frameRate = 0;
    double seconds = 0; // the frames' durations as the file gives them, added up
    std::vector<std::int64_t> pts;
    QImage first;
};

Playback play(const QString& path, const char* format = nullptr) {
    Playback p;
    AVFormatContext* fmt = nullptr;
    const QByteArray file = QFile::encodeName(path);
    if (avformat_open_input(&fmt, file.constData(), format ? av_find_input_format(format) : nullptr, nullptr) < 0)
        return p;
    // The picture's track; a movie also has the navigation data's.
    const int video = avformat_find_stream_info(fmt, nullptr) >= 0
                          ? av_find_best_stream(fmt, AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0)
                          : -1;
    p.opened = video >= 0;
    if (!p.opened) {
        avformat_close_input(&fmt);
        return p;
    }
    const AVStream* st = fmt->streams[video];
    p.width = st->codecpar->width;
    p.height = st->codecpar->height;
    p.codec = st->codecpar->codec_id;
    p.timeBase = st->time_base;
    p.frameRate = av_q2d(st->avg_frame_rate);
    p.seconds = double(st->duration) * av_q2d(st->time_base);
    const AVCodec* codec = avcodec_find_decoder(p.codec);
    AVCodecContext* dec = avcodec_alloc_context3(codec);
    avcodec_parameters_to_context(dec, st->codecpar);
    avcodec_open2(dec, codec, nullptr);
    AVPacket* pkt = av_packet_alloc();
    AVFrame* frame = av_frame_alloc();
    while (av_read_frame(fmt, pkt) >= 0) {
        if (pkt->stream_index != video) {
            av_packet_unref(pkt);
            continue;
        }
        p.pts.push_back(pkt->pts);
        if (p.first.isNull() && avcodec_send_packet(dec, pkt) >= 0 && avcodec_receive_frame(dec, frame) >= 0) {
            p.first = QImage(frame->width, frame->height, QImage::Format_RGB888);
            SwsContext* sws = sws_getContext(frame->width, frame->height, AVPixelFormat(frame->format), frame->width,
                                             frame->height, AV_PIX_FMT_RGB24, SWS_POINT, nullptr, nullptr, nullptr);
            std::uint8_t* dst[1] = {p.first.bits()};
            const int stride[1] = {int(p.first.bytesPerLine())};
            sws_scale(sws, frame->data, frame->linesize, 0, frame->height, dst, stride);
            sws_freeContext(sws);
        }
        av_packet_unref(pkt);
    }
    av_frame_free(&frame);
    av_packet_free(&pkt);
    avcodec_free_context(&dec);
    avformat_close_input(&fmt);
    return p;
}

// The mean difference of the colour channels over a grid of points.
double difference(const QImage& a, const QImage& b) {
    if (a.size() != b.size()) return 255;
    double sum = 0;
    int n = 0;
    for (int y = 4; y < a.height(); y += 16)
        for (int x = 4; x < a.width(); x += 16) {
            const QColor p = a.pixelColor(x, y), q = b.pixelColor(x, y);
            sum += std::abs(p.red() - q.red()) + std::abs(p.green() - q.green()) + std::abs(p.blue() - q.blue());
            n += 3;
        }
    return sum / n;
}

class ExportCommandsTest : public testing::Test {
protected:
    void SetUp() override {
        qputenv("TARNVIK_COMPOSITIONS", COMPOSITIONS_DIR);
        av_log_set_level(AV_LOG_FATAL);
        AppOptions o;
        o.decoderArguments.clear();
        o.settingsPath = dir.filePath("Tarnvik.plist");
        o.desktopFolder = dir.filePath("Desktop");
        o.dvOut = dir.filePath("live.dv");
        options = o;
    }
    void TearDown() override { av_log_set_level(AV_LOG_INFO); }

    // Launched, settled, ticked by hand on a clock of its own.
    std::unique_ptr<AppController> launch() {
        auto c = std::make_unique<AppController>(options);
        c->applicationDidFinishLaunching();
        c->setClock([this] { return now; });
        EXPECT_TRUE(waitFor([&] { return !c->isResizing(); }, 5000));
        return c;
    }
    // Chooses an export and stops the timer, so that only tick() renders.
    void choose(AppController& c, int position) {
        c.exportMenu()->setCurrentIndex(position);
        c.updateExport();
        chosenRate = c.renderTimer() ? c.renderTimer()->interval() : 0;
        EXPECT_TRUE(waitFor([&] { return !c.isResizing(); }, 5000));
        c.setTimerFramerate(0);
    }
    void tick(AppController& c) {
        c.renderTick();
        now += 0.04;
    }
    // Accepts the compression dialog with a lossless codec.
    static int acceptLossless(CompressionDialog& d) {
        d.codecMenu()->setCurrentIndex(d.codecMenu()->findData(kCodecPNG));
        return 0;
    }

    QTemporaryDir dir;
    AppOptions options;
    double now = 500.0;
    int chosenRate = 0;
};

TEST_F(ExportCommandsTest, RecordsWhatTheViewShowsAtTheRenderTimes) {
    auto c = launch();
    QString proposed;
    const QString movie = dir.filePath("dive.mov");
    c->setSavePanel([&](const QString& p) { return proposed = p, movie; });
    c->setCompressionDialogRunner(acceptLossless);
    choose(*c, 1);
    EXPECT_EQ(proposed, dir.filePath("Desktop/Export Movie.mov"));
    ASSERT_TRUE(c->movieExporter());
    EXPECT_EQ(c->exportMenu()->currentIndex(), 1);
    EXPECT_EQ(chosenRate, 40);
    tick(*c);
    const QImage firstRendered = c->scene()->image().convertToFormat(QImage::Format_RGB888);
    for (int i = 1; i < 10; ++i) tick(*c);
    c->exportMenu()->setCurrentIndex(0);
    c->updateExport(); // finishes the movie
    EXPECT_FALSE(c->movieExporter());

    const Playback p = play(movie);
    ASSERT_TRUE(p.opened);
    EXPECT_EQ(p.codec, AV_CODEC_ID_PNG);
    EXPECT_EQ(QSize(p.width, p.height), c->renderView()->size());
    EXPECT_EQ(p.timeBase.den, 600);
    // The reader answers a tick late: ten ticks give nine frames, 1/25 s apart.
    ASSERT_EQ(p.pts.size(), 9u);
    for (std::size_t i = 1; i < p.pts.size(); ++i) EXPECT_EQ(p.pts[i] - p.pts[i - 1], 24) << i;
    // The first frame is the first picture rendered, the right way up.
    EXPECT_LT(difference(p.first, firstRendered), 2.0);
    EXPECT_GT(difference(p.first, firstRendered.mirrored()), 2.0);
    ASSERT_TRUE(c->applicationWillTerminate());
}

TEST_F(ExportCommandsTest, CancelledOrFailedChoicesSoundTheAlertAndShowNoExport) {
    auto c = launch();
    int dialogs = 0;
    const struct {
        const char* what;
        QString path; // what the save panel gives
        int dialog;   // what the dialog answers
        int position;
        bool logged;
        int dialogsShown;
    } cases[] = {
        {"save panel cancelled", QString(), 0, 1, false, 0},
        {"compression dialog cancelled", dir.filePath("a.mov"), 1, 1, false, 1},
        {"a folder that does not exist", dir.filePath("none/a.mov"), 0, 1, true, 1},
    };
    for (const auto& k : cases) {
        SCOPED_TRACE(k.what);
        dialogs = 0;
        c->setSavePanel([&](const QString&) { return k.path; });
        c->setCompressionDialogRunner([&](CompressionDialog&) { return ++dialogs, k.dialog; });
        const int alerts = c->alerts();
        const qsizetype notices = c->notices().posted().size();
        LogCapture log;
        choose(*c, k.position);
        EXPECT_EQ(dialogs, k.dialogsShown);
        EXPECT_FALSE(c->movieExporter());
        EXPECT_EQ(c->exportMenu()->currentIndex(), 0);
        EXPECT_EQ(c->alerts(), alerts + 1);
        EXPECT_EQ(!LogCapture::lines().isEmpty(), k.logged) << LogCapture::text();
        // A failure, not a cancel, is told in the window with the logged reason.
        EXPECT_EQ(c->notices().posted().size(), notices + (k.logged ? 1 : 0));
        if (k.logged) {
            EXPECT_TRUE(c->notices().posted().last().contains("CreateMovieStorage() failed"))
                << c->notices().posted().last().toStdString();
        }
        // Rendering goes on.
        const int frames = c->framesRendered();
        tick(*c);
        EXPECT_EQ(c->framesRendered(), frames + 1);
    }
}

TEST_F(ExportCommandsTest, LiveDVSetsThePalSizeFirstAndPlaysTheOverlay) {
    auto c = launch();
    c->setRenderSize(QSize(640, 360));
    ASSERT_TRUE(waitFor([&] { return !c->isResizing() && c->renderView()->size() == QSize(640, 360); }, 5000));
    choose(*c, 2);
    ASSERT_TRUE(c->liveDVExporter());
    EXPECT_EQ(c->renderView()->size(), QSize(720, 576));
    EXPECT_EQ(c->scene()->size(), QSize(720, 576));
    EXPECT_EQ(chosenRate, 40);
    tick(*c);
    const QImage firstRendered = c->scene()->image().convertToFormat(QImage::Format_RGB888);
    for (int i = 1; i < 6; ++i) tick(*c);
    ASSERT_TRUE(c->liveDVExporter()->flushFrames());
    c->exportMenu()->setCurrentIndex(0);
    c->updateExport();

    const Playback p = play(dir.filePath("live.dv"), "dv");
    ASSERT_TRUE(p.opened);
    EXPECT_EQ(p.codec, AV_CODEC_ID_DVVIDEO);
    EXPECT_EQ(QSize(p.width, p.height), QSize(720, 576));
    EXPECT_EQ(p.frameRate, 25.0);
    EXPECT_EQ(p.pts.size(), 5u);
    // DV is lossy; the overlay is still where it was drawn.
    EXPECT_LT(difference(p.first, firstRendered), 12.0);
    EXPECT_GT(difference(p.first, firstRendered.mirrored()), difference(p.first, firstRendered) + 5);
}

TEST_F(ExportCommandsTest, LiveDVWithoutAnyOutputResetsTheMenu) {
    options.dvOut.clear();
    auto c = launch();
    LogCapture log;
    choose(*c, 2);
    EXPECT_FALSE(c->liveDVExporter());
    EXPECT_EQ(c->exportMenu()->currentIndex(), 0);
    EXPECT_EQ(c->alerts(), 1);
    EXPECT_TRUE(LogCapture::lines().join('\n').contains("Video out component creation failed (error "))
        << LogCapture::text();
    // The window says why, not only the log.
    ASSERT_FALSE(c->notices().posted().isEmpty());
    EXPECT_TRUE(c->notices().posted().last().startsWith("Live DV could not start: Video out component creation failed"))
        << c->notices().posted().last().toStdString();
}

TEST_F(ExportCommandsTest, ANewSizeEndsTheRecording) {
    auto c = launch();
    c->setSavePanel([&](const QString&) { return dir.filePath("r.mov"); });
    c->setCompressionDialogRunner(acceptLossless);
    choose(*c, 1);
    ASSERT_TRUE(c->movieExporter());
    for (int i = 0; i < 3; ++i) tick(*c);
    c->setRenderSize(QSize(640, 480));
    ASSERT_TRUE(waitFor([&] { return !c->isResizing() && !c->movieExporter(); }, 5000));
    EXPECT_EQ(c->exportMenu()->currentIndex(), 0);
    EXPECT_EQ(play(dir.filePath("r.mov")).pts.size(), 2u);
}

TEST_F(ExportCommandsTest, TheSnapshotCommandWritesToTheDesktop) {
    auto c = launch();
    tick(*c);
    ASSERT_TRUE(c->snapshotAction());
    EXPECT_FALSE(c->snapshotAction()->shortcut().isEmpty());
    c->snapshotAction()->trigger();
    const QStringList files = QDir(dir.filePath("Desktop")).entryList({"Tarnvik Snapshot (*).png"});
    ASSERT_EQ(files.size(), 1);
    EXPECT_EQ(QImage(dir.filePath("Desktop/" + files[0])).size(), c->renderView()->size());
}

// A recording that ends on its own: one alert, the menu back at "No export",
// and the seconds the movie plays, logged.
class RecordingStopTest : public ExportCommandsTest {
protected:
    std::unique_ptr<AppController> record() {
        auto c = launch();
        c->setSavePanel([&](const QString&) { return movie; });
        c->setCompressionDialogRunner(acceptLossless); // PNG: every frame a fragment of its own
        QObject::connect(&c->notices(), &Notices::notice,
                         [this](const QString& text, NoticeLevel level) { heard.push_back({text, level}); });
        if (setUp) c->setMovieSetUp(setUp);
        choose(*c, 1);
        EXPECT_TRUE(c->movieExporter());
        return c;
    }
    static bool recording(const AppController& c) { return c.exportMenu()->currentIndex() == 1 && c.movieExporter(); }
    void expectAlert(const AppController& c, const QString& says, bool kept = true) {
        EXPECT_EQ(c.exportMenu()->currentIndex(), 0);
        EXPECT_FALSE(c.movieExporter());
        ASSERT_FALSE(heard.empty());
        EXPECT_EQ(heard.back().second, NoticeLevel::Alert);
        EXPECT_TRUE(heard.back().first.startsWith(says)) << heard.back().first.toStdString();
        if (!kept) return;
        const Playback p = play(movie);
        EXPECT_FALSE(p.pts.empty());
        const QString seconds = QString::number(p.seconds, 'f', 1);
        EXPECT_TRUE(heard.back().first.endsWith(seconds + " seconds were kept in \"" + movie + "\".")) << p.seconds;
    }

    QString movie = dir.filePath("dive.mov");
    std::function<void(FrameMovieExporter&)> setUp;
    std::vector<std::pair<QString, NoticeLevel>> heard;
};

TEST_F(RecordingStopTest, AFullDiskEndsTheRecording) {
    const struct {
        bool fileSizeLimit; // else writes fail with no space left
        const char* says;
    } cases[] = {{false, "Recording stopped: the disk is full. "},
                 {true, "Recording stopped: the movie file has reached the largest size allowed. "}};
    for (const auto& k : cases) {
        SCOPED_TRACE(k.says);
        off_t limit = 0;
        setUp = [&](FrameMovieExporter& e) {
            limit = off_t(QFileInfo(movie).size()) + 2'000'000; // the header and a few frames
            if (!k.fileSizeLimit)
                e.setWriteFunction([&](int fd, const void* data, std::size_t size) -> ssize_t {
                    const off_t at = ::lseek(fd, 0, SEEK_CUR);
                    if (at >= limit) return errno = ENOSPC, -1;
                    return ::write(fd, data, std::min<std::size_t>(size, std::size_t(limit - at)));
                });
        };
        heard.clear();
        auto c = record();
        rlimit previous{};
        getrlimit(RLIMIT_FSIZE, &previous);
        if (k.fileSizeLimit) {
            signal(SIGXFSZ, SIG_IGN); // writes past the limit then fail with EFBIG
            const rlimit l{rlim_t(limit), previous.rlim_max};
            setrlimit(RLIMIT_FSIZE, &l);
        }
        LogCapture log;
        // The write fails on the encoder's thread; the news comes through the event loop.
        const bool ended = waitFor([&] { return tick(*c), !recording(*c); }, 60000);
        setrlimit(RLIMIT_FSIZE, &previous);
        signal(SIGXFSZ, SIG_DFL);
        ASSERT_TRUE(ended);
        EXPECT_EQ(heard.size(), 1u);
        expectAlert(*c, k.says);
        EXPECT_TRUE(LogCapture::lines().contains(heard[0].first)) << LogCapture::text();
        EXPECT_EQ(LogCapture::lines().filter("AddMediaSampleFromEncodedFrame() failed").size(), 1);
        EXPECT_LE(QFileInfo(movie).size(), limit); // its half-written end is cut
    }
}

TEST_F(RecordingStopTest, LowSpaceWarnsOnceThenEndsTheRecordingWithinASecond) {
    std::uint64_t free = 1'500'000'000;
    setUp = [&](FrameMovieExporter& e) { e.setFreeSpace([&](int) { return std::optional(free); }); };
    auto c = record();
    for (int i = 0; i < 60; ++i) tick(*c);
    QCoreApplication::sendPostedEvents();
    ASSERT_EQ(heard.size(), 1u);
    EXPECT_EQ(heard[0].second, NoticeLevel::Warning);
    EXPECT_TRUE(heard[0].first.startsWith("The disk is nearly full: 1.5 GB free")) << heard[0].first.toStdString();
    EXPECT_TRUE(recording(*c));

    free = 100'000'000;
    int ticks = 0;
    for (; recording(*c) && ticks < 100; ++ticks) {
        tick(*c);
        QCoreApplication::sendPostedEvents();
    }
    EXPECT_LE(ticks, 26);
    EXPECT_EQ(heard.size(), 2u);
    expectAlert(*c, "Recording stopped: the disk is nearly full (100 MB free). ");
}

TEST_F(RecordingStopTest, AMovieDeletedOrMovedEndsTheRecordingWithinASecond) {
    const struct {
        bool deleted; // else moved
        QString says;
    } cases[] = {{true, "Recording stopped: the movie file \"" + movie + "\" was deleted. "},
                 {false, "Recording stopped: \"" + movie + "\" is no longer the movie file "}};
    for (const auto& k : cases) {
        SCOPED_TRACE(k.says.toStdString());
        heard.clear();
        auto c = record();
        for (int i = 0; i < 10; ++i) tick(*c);
        const QByteArray file = QFile::encodeName(movie);
        const int ours = ::open(file.constData(), O_RDONLY); // keeps a deleted file readable
        ASSERT_GE(ours, 0);
        ASSERT_EQ(k.deleted ? ::unlink(file.constData()) : ::rename(file.constData(), (file + ".moved").constData()), 0);
        int ticks = 0;
        for (; !c->movieExporter()->stopped() && ticks < 100; ++ticks) tick(*c);
        EXPECT_LE(ticks, 26);
        struct stat atStop{}, after{};
        ::fstat(ours, &atStop);
        ASSERT_TRUE(waitFor([&] { return !recording(*c); }, 5000));
        ::fstat(ours, &after);
        ::close(ours);
        if (k.deleted) {
            EXPECT_EQ(after.st_size, atStop.st_size); // not one byte more
        }
        expectAlert(*c, k.says, false);
        EXPECT_EQ(heard.size(), 1u);
    }
}

} // namespace
