// A recording that ends on its own, as the window shows it: an alert, the
// export menu back at "No export", the seconds kept in the log, and a movie
// that plays.
#include "app/AppController.h"
#include "export/CompressionDialog.h"
#include "export/FrameMovieExporter.h"
#include "tests/app/wait_for.h"
#include "tests/export/log_capture.h"
#include "tests/export/movie_probe.h"

#include <QComboBox>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTimer>
#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <vector>

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

extern "C" {
#include <libavutil/log.h>
}

using namespace tarnvik;
using tarnvik::test::LogCapture;
using tarnvik::test::readMovie;
using tarnvik::test::waitFor;

namespace {

constexpr std::uint64_t GB = 1'000'000'000, MB = 1'000'000;

class RecordingStopCommandsTest : public testing::Test {
protected:
    void SetUp() override {
        qputenv("TARNVIK_COMPOSITIONS", COMPOSITIONS_DIR);
        av_log_set_level(AV_LOG_FATAL);
        AppOptions o;
        o.decoderArguments.clear();
        o.settingsPath = dir.filePath("Tarnvik.plist");
        o.desktopFolder = dir.filePath("Desktop");
        c = std::make_unique<AppController>(o);
        c->applicationDidFinishLaunching();
        c->setClock([this] { return now; });
        ASSERT_TRUE(waitFor([&] { return !c->isResizing(); }, 5000));
        c->setSavePanel([this](const QString&) { return movie; });
        // PNG: every frame a fragment of its own.
        c->setCompressionDialogRunner([](CompressionDialog& d) {
            d.codecMenu()->setCurrentIndex(d.codecMenu()->findData(kCodecPNG));
            return 0;
        });
        QObject::connect(&c->notices(), &Notices::notice,
                         [this](const QString& text, NoticeLevel level) { heard.push_back({text, level}); });
    }
    void TearDown() override {
        c.reset();
        av_log_set_level(AV_LOG_INFO);
    }
    // Records, with only tick() rendering.
    void record() {
        c->exportMenu()->setCurrentIndex(1);
        c->updateExport();
        c->setTimerFramerate(0);
        ASSERT_TRUE(c->movieExporter());
    }
    void tick() {
        c->renderTick();
        now += 0.04;
    }
    bool recording() const { return c->exportMenu()->currentIndex() == 1 && c->movieExporter(); }
    // The alert's seconds are the movie's.
    void expectSecondsOfTheMovie(const QString& alert) {
        const auto m = readMovie(movie);
        ASSERT_TRUE(m.opened);
        EXPECT_FALSE(m.pts.empty());
        const auto said = QRegularExpression(QStringLiteral("(\\d+\\.\\d) seconds were kept in \"")).match(alert);
        ASSERT_TRUE(said.hasMatch()) << alert.toStdString();
        EXPECT_EQ(said.captured(1), QString::number(m.seconds(), 'f', 1));
    }

    struct Heard {
        QString text;
        NoticeLevel level;
    };
    QTemporaryDir dir;
    QString movie = dir.filePath("dive.mov");
    std::unique_ptr<AppController> c;
    double now = 500.0;
    std::vector<Heard> heard;
};

TEST_F(RecordingStopCommandsTest, AFullDiskEndsTheRecordingWithAnAlert) {
    const struct Case {
        const char* what;
        bool fileSizeLimit; // else writes fail with no space left
        const char* says;
    } cases[] = {
        {"no space left", false, "Recording stopped: the disk is full. "},
        {"the file size limit", true, "Recording stopped: the movie file has reached the largest size allowed. "},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.what);
        heard.clear();
        off_t limit = 0;
        c->setMovieSetUp([&](FrameMovieExporter& e) {
            limit = off_t(QFileInfo(movie).size()) + 2'000'000; // the header and a few frames
            if (!k.fileSizeLimit)
                e.setWriteFunction([&](int fd, const void* data, std::size_t size) -> ssize_t {
                    const off_t at = ::lseek(fd, 0, SEEK_CUR);
                    if (at >= limit) return errno = ENOSPC, -1;
                    return ::write(fd, data, std::min<std::size_t>(size, std::size_t(limit - at)));
                });
        });
        record();
        rlimit previous{};
        getrlimit(RLIMIT_FSIZE, &previous);
        if (k.fileSizeLimit) {
            signal(SIGXFSZ, SIG_IGN);
            const rlimit l{rlim_t(limit), previous.rlim_max};
            setrlimit(RLIMIT_FSIZE, &l);
        }
        LogCapture log;
        // The write fails on the encoder's thread; the window hears of it through the event loop.
        const bool ended = waitFor([&] { return tick(), !recording(); }, 60000);
        setrlimit(RLIMIT_FSIZE, &previous);
        signal(SIGXFSZ, SIG_DFL);
        ASSERT_TRUE(ended);
        EXPECT_EQ(c->exportMenu()->currentIndex(), 0);
        EXPECT_FALSE(c->movieExporter());
        ASSERT_EQ(heard.size(), 1u);
        EXPECT_EQ(heard[0].level, NoticeLevel::Alert);
        EXPECT_TRUE(heard[0].text.startsWith(k.says)) << heard[0].text.toStdString();
        EXPECT_TRUE(LogCapture::lines().contains(heard[0].text)) << LogCapture::text();
        expectSecondsOfTheMovie(heard[0].text);
        EXPECT_LE(QFileInfo(movie).size(), limit);
    }
}

TEST_F(RecordingStopCommandsTest, LowSpaceWarnsThenEndsTheRecordingBeforeTheDiskIsFull) {
    std::uint64_t free = 1500 * MB;
    c->setMovieSetUp([&](FrameMovieExporter& e) { e.setFreeSpace([&](int) { return std::optional(free); }); });
    record();
    for (int i = 0; i < 5; ++i) tick();
    ASSERT_TRUE(waitFor([&] { return !heard.empty(); }, 5000));
    EXPECT_EQ(heard[0].level, NoticeLevel::Warning);
    EXPECT_TRUE(heard[0].text.startsWith("The disk is nearly full: 1.5 GB free")) << heard[0].text.toStdString();
    EXPECT_TRUE(recording());

    free = 100 * MB;
    int ticks = 0;
    while (recording() && ticks < 100) {
        tick();
        ++ticks;
        QCoreApplication::sendPostedEvents();
    }
    EXPECT_LE(ticks, 26); // within a second
    EXPECT_EQ(c->exportMenu()->currentIndex(), 0);
    ASSERT_EQ(heard.size(), 2u);
    EXPECT_EQ(heard[1].level, NoticeLevel::Alert);
    EXPECT_TRUE(heard[1].text.startsWith("Recording stopped: the disk is nearly full (100 MB free). "))
        << heard[1].text.toStdString();
    expectSecondsOfTheMovie(heard[1].text);
}

TEST_F(RecordingStopCommandsTest, ADeletedMovieEndsTheRecordingAndIsNotWrittenAgain) {
    record();
    for (int i = 0; i < 10; ++i) tick();
    const int ours = ::open(QFile::encodeName(movie).constData(), O_RDONLY);
    ASSERT_GE(ours, 0);
    ASSERT_EQ(::unlink(QFile::encodeName(movie).constData()), 0);
    int ticks = 0;
    while (!c->movieExporter()->stopped() && ticks < 100) {
        tick();
        ++ticks;
    }
    EXPECT_LE(ticks, 26); // within a second
    struct stat atStop{}, after{};
    ::fstat(ours, &atStop);
    ASSERT_TRUE(waitFor([&] { return !recording(); }, 5000));
    tick();
    ::fstat(ours, &after);
    ::close(ours);
    EXPECT_EQ(after.st_size, atStop.st_size);
    EXPECT_EQ(c->exportMenu()->currentIndex(), 0);
    ASSERT_EQ(heard.size(), 1u);
    EXPECT_EQ(heard[0].level, NoticeLevel::Alert);
    EXPECT_TRUE(heard[0].text.startsWith("Recording stopped: the movie file \"" + movie + "\" was deleted. "))
        << heard[0].text.toStdString();
}

} // namespace
