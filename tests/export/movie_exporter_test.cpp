#include "export/FrameMovieExporter.h"
#include "tests/export/log_capture.h"
#include "tests/export/playback.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstdint>
#include <vector>

#include <sys/wait.h>
#include <unistd.h>

using namespace tarnvik;
using tarnvik::test::LogCapture;

namespace {

using MovieInfo = test::Playback;

MovieInfo probe(const QString& path) { return test::play(path); }

// Blue, with a red block at the top left: a flipped frame shows it at the bottom.
void paint(Frame& f, std::uint8_t shade) {
    for (unsigned y = 0; y < f.height(); ++y)
        for (unsigned x = 0; x < f.width(); ++x) {
            std::uint8_t* p = f.row(y) + x * 4;
            const bool marker = x < 8 && y < 6;
            p[0] = 255;
            p[1] = marker ? 255 : 0;
            p[2] = shade;
            p[3] = marker ? 0 : 255;
        }
}

// H.264 with the default options, as a first recording gets.
std::unique_ptr<FrameMovieExporter> create(const QString& path, unsigned w, unsigned h) {
    return FrameMovieExporter::create(path, kCodecH264, w, h, defaultCompressionOptions());
}

// The encoder refuses frames while its queue is full; a test waits for it.
bool offer(FrameMovieExporter& e, FramePtr f, double t) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (std::chrono::steady_clock::now() < deadline)
        if (e.exportFrame(f, t)) return true;
    return false;
}

class MovieExporterTest : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        av_log_set_level(AV_LOG_FATAL); // probing a file still being written is noisy
    }
    void TearDown() override { av_log_set_level(AV_LOG_INFO); }
    QString path(const char* name) const { return dir.filePath(QLatin1String(name)); }
    QTemporaryDir dir;
};

TEST_F(MovieExporterTest, RecordsEveryFrameAtItsRenderTime) {
    struct Case {
        std::uint32_t codec;
        AVCodecID id;
    } cases[] = {{kCodecH264, AV_CODEC_ID_H264},
                 {kCodecProRes422, AV_CODEC_ID_PRORES},
                 {kCodecMotionJPEG, AV_CODEC_ID_MJPEG},
                 {kCodecPNG, AV_CODEC_ID_PNG},
                 {kCodecAnimation, AV_CODEC_ID_QTRLE}};
    // Uneven render times, as a real render timer gives them.
    const double times[] = {0.0, 0.034, 0.066, 0.101, 0.133, 0.2, 0.234, 0.266, 0.3, 0.35, 0.5, 0.534};
    constexpr unsigned W = 64, H = 48;
    for (const Case& c : cases) {
        SCOPED_TRACE(fourCCText(c.codec));
        const QString file = path("m.mov");
        auto pool = FramePool::create(W, H);
        {
            auto options = defaultCompressionOptions();
            auto e = FrameMovieExporter::create(file, c.codec, W, H, options);
            ASSERT_TRUE(e);
            // The recording encodes on a worker; the caller's options say so.
            EXPECT_TRUE(options->allowAsynchronousCompletion);
            for (double t : times) {
                FramePtr f = pool->take();
                paint(*f, std::uint8_t(t * 100));
                ASSERT_TRUE(offer(*e, f, t)) << t;
            }
        }
        const MovieInfo m = probe(file);
        ASSERT_TRUE(m.opened);
        EXPECT_EQ(m.videoStreams, 1);
        EXPECT_EQ(m.timeBase.num, 1);
        EXPECT_EQ(m.timeBase.den, 600);
        EXPECT_EQ(m.width, int(W));
        EXPECT_EQ(m.height, int(H));
        EXPECT_EQ(m.codec, c.id);
        ASSERT_EQ(m.pts.size(), std::size(times));
        for (std::size_t i = 0; i < m.pts.size(); ++i)
            EXPECT_EQ(m.pts[i] - m.pts[0], std::int64_t(times[i] * 600)) << "frame " << i;
        if (c.id == AV_CODEC_ID_PNG) {
            EXPECT_EQ(m.first.pixel(0, 0), qRgb(255, 0, 0));
            EXPECT_EQ(m.first.pixel(W - 1, H - 1), qRgb(0, 0, 255));
        }
    }
}

TEST_F(MovieExporterTest, RefusesFramesThatDoNotFitOrGoBackInTime) {
    auto e = create(path("r.mov"), 32, 32);
    ASSERT_TRUE(e);
    auto pool = FramePool::create(32, 32), other = FramePool::create(16, 32);
    FramePtr f = pool->take();
    paint(*f, 0);
    EXPECT_TRUE(e->exportFrame(f, 1.0));
    EXPECT_FALSE(e->exportFrame(f, 1.0));  // the same time again
    EXPECT_FALSE(e->exportFrame(f, 0.5));  // earlier
    EXPECT_FALSE(e->exportFrame(nullptr, 2.0));
    EXPECT_FALSE(e->exportFrame(other->take(), 2.0));
    EXPECT_TRUE(e->exportFrame(f, 2.0));
    e.reset();
    EXPECT_EQ(probe(path("r.mov")).pts.size(), 2u);
}

TEST_F(MovieExporterTest, ReleasedAtOnceLeavesAnEmptyMovieInPlaceOfTheOldFile) {
    const QString file = path("old.mov");
    {
        QFile old(file);
        ASSERT_TRUE(old.open(QIODevice::WriteOnly));
        old.write(QByteArray(100000, 'x'));
    }
    create(file, 32, 32).reset();
    const MovieInfo m = probe(file);
    EXPECT_EQ(m.videoStreams, 1);
    EXPECT_TRUE(m.pts.empty());
    EXPECT_LT(QFile(file).size(), 100000);
}

TEST_F(MovieExporterTest, BadSettingsGiveNoExporter) {
    LogCapture log;
    const QStringList& logged = LogCapture::lines();
    EXPECT_FALSE(create(QString(), 32, 32));
    EXPECT_TRUE(logged.isEmpty());
    EXPECT_FALSE(create(path("z.mov"), 0, 32));
    EXPECT_FALSE(create(path("no/such/folder/a.mov"), 32, 32));
    EXPECT_FALSE(FrameMovieExporter::create(path("b.mov"), fourCC("zzzz"), 32, 32, defaultCompressionOptions()));
    EXPECT_FALSE(QFile::exists(path("b.mov"))) << "no file without an encoder";
    ASSERT_EQ(logged.size(), 3) << LogCapture::text();
    EXPECT_TRUE(logged[0].startsWith("ICMCompressionSessionCreate() failed with error ")) << logged[0].toStdString();
    EXPECT_TRUE(logged[1].startsWith("CreateMovieStorage() failed with error -2 (")) << logged[1].toStdString();
    EXPECT_TRUE(logged[1].contains("no/such/folder/a.mov")) << logged[1].toStdString();
    EXPECT_TRUE(logged[2].contains("no encoder for \"zzzz\"")) << logged[2].toStdString();
}

// Killed mid-recording, the movie still plays up to its last fragment.
TEST_F(MovieExporterTest, SurvivesSigkillWhileRecording) {
    const QString file = path("killed.mov");
    const QByteArray name = QFile::encodeName(file);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        // Only this thread exists here: FFmpeg and the standard library only.
        auto pool = FramePool::create(64, 48);
        auto e = create(QFile::decodeName(name), 64, 48);
        if (!e) _exit(1);
        for (std::int64_t i = 0;; ++i) {
            FramePtr f = pool->take();
            if (f) paint(*f, std::uint8_t(i));
            while (!e->exportFrame(f, double(i) / 30)) {
            }
        }
    }
    // Several seconds of movie, so several fragments, before the kill.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    std::size_t frames = 0;
    while (std::chrono::steady_clock::now() < deadline && frames < 120) frames = probe(file).pts.size();
    kill(child, SIGKILL);
    int status = 0;
    waitpid(child, &status, 0);
    EXPECT_TRUE(WIFSIGNALED(status));
    const MovieInfo m = probe(file);
    ASSERT_TRUE(m.opened);
    EXPECT_GE(m.pts.size(), 120u);
    EXPECT_EQ(m.timeBase.den, 600);
    for (std::size_t i = 0; i < m.pts.size(); ++i)
        ASSERT_EQ(m.pts[i] - m.pts[0], std::int64_t(double(i) / 30 * 600)) << "frame " << i;
}

} // namespace
