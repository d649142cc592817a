// A recording that ends on its own: a full disk, a disk running low, a file
// that goes away. Each ends once, with the file playable where it still exists.
#include "export/FrameMovieExporter.h"
#include "tests/export/log_capture.h"
#include "tests/export/movie_probe.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <csignal>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

extern "C" {
#include <libavutil/error.h>
#include <libavutil/log.h>
}

using namespace tarnvik;
using tarnvik::test::LogCapture;
using tarnvik::test::readMovie;

namespace {

constexpr unsigned W = 64, H = 48;
constexpr std::uint64_t GB = 1'000'000'000, MB = 1'000'000;

// Noise compresses badly: a few seconds fill a few hundred kilobytes.
void noise(Frame& f, std::uint32_t& seed) {
    for (unsigned y = 0; y < f.height(); ++y)
        for (unsigned x = 0; x < f.width() * 4; ++x) {
            seed = seed * 1664525u + 1013904223u;
            f.row(y)[x] = std::uint8_t(seed >> 24);
        }
}

// An exporter fed frame by frame at a given rate, with every event it sends.
struct Recording {
    Recording(const QString& path, double rate = 25) : rate(rate) {
        exporter = FrameMovieExporter::create(path, kCodecH264, W, H, FrameCompressor::defaultOptions());
        if (exporter) exporter->setEventHandler([this](const RecordingEvent& e) {
            std::lock_guard lock(mutex);
            events.push_back(e);
        });
    }
    double now() const { return double(frames) / rate; }
    // One frame at the next time; the encoder's queue may be full for a
    // moment. False once the recording takes no more.
    bool next() {
        FramePtr f = pool->take();
        noise(*f, seed);
        const double t = now();
        while (!exporter->exportFrame(f, t)) {
            if (exporter->stopped() || exporter->failed()) return false;
            std::this_thread::yield();
        }
        ++frames;
        return true;
    }
    std::vector<RecordingEvent> seen() {
        std::lock_guard lock(mutex);
        return events;
    }

    double rate;
    std::unique_ptr<FrameMovieExporter> exporter;
    std::shared_ptr<FramePool> pool = FramePool::create(W, H);
    std::uint32_t seed = 1;
    int frames = 0;
    std::mutex mutex;
    std::vector<RecordingEvent> events;
};

class RecordingStopTest : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        av_log_set_level(AV_LOG_FATAL);
    }
    void TearDown() override { av_log_set_level(AV_LOG_INFO); }
    QString path(const char* name) const { return dir.filePath(QLatin1String(name)); }
    QTemporaryDir dir;
    LogCapture quiet; // each wait for the encoder is a run of dropped frames in the log
};

TEST(RecordingWatchTest, WarnsThenStopsByFreeSpaceOrTimeLeftWhicheverIsMore) {
    QTemporaryDir dir;
    const QByteArray file = QFile::encodeName(dir.filePath("w.mov"));
    const int fd = ::open(file.constData(), O_WRONLY | O_CREAT, 0666);
    ASSERT_GE(fd, 0);
    // Ten seconds in, the file holds bytesAt10 (the rate is a tenth of it).
    const struct Case {
        const char* what;
        std::uint64_t free, bytesAt10;
        RecordingWatch::Verdict::Action action;
        double secondsLeft;
    } cases[] = {
        {"plenty", 5 * GB, 0, RecordingWatch::Verdict::Action::None, -1},
        {"under 2 GB", 1900 * MB, 0, RecordingWatch::Verdict::Action::Warn, -1},
        {"under ten minutes at 10 MB/s", 5 * GB, 100 * MB, RecordingWatch::Verdict::Action::Warn, 440},
        {"plenty at 10 MB/s", 20 * GB, 100 * MB, RecordingWatch::Verdict::Action::None, 1940},
        {"under 300 MB", 250 * MB, 0, RecordingWatch::Verdict::Action::Stop, -1},
        {"under a minute at 10 MB/s", 500 * MB, 100 * MB, RecordingWatch::Verdict::Action::Stop, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        RecordingWatch watch(fd, file);
        std::uint64_t free = 50 * GB;
        watch.setFreeSpace([&](int) { return std::optional<std::uint64_t>(free); });
        EXPECT_EQ(watch.look(0, 0).action, RecordingWatch::Verdict::Action::None);
        free = c.free;
        const RecordingWatch::Verdict v = watch.look(10, c.bytesAt10);
        EXPECT_EQ(v.action, c.action);
        if (v.action == RecordingWatch::Verdict::Action::Stop) {
            EXPECT_EQ(v.reason, StopReason::LowSpace);
        }
        EXPECT_EQ(v.freeBytes, c.free);
        EXPECT_NEAR(v.secondsLeft, c.secondsLeft, 1e-6);
    }

    // Once a second, one warning, and nothing after the stop.
    RecordingWatch watch(fd, file);
    std::optional<std::uint64_t> free = 1 * GB;
    watch.setFreeSpace([&](int) { return free; });
    EXPECT_EQ(watch.look(0, 0).action, RecordingWatch::Verdict::Action::Warn);
    EXPECT_EQ(watch.look(1, 0).action, RecordingWatch::Verdict::Action::None);
    free = std::nullopt; // not known: no verdict
    EXPECT_EQ(watch.look(2, 0).action, RecordingWatch::Verdict::Action::None);
    free = 1 * MB;
    EXPECT_EQ(watch.look(2.5, 0).action, RecordingWatch::Verdict::Action::None);
    EXPECT_EQ(watch.look(3, 0).action, RecordingWatch::Verdict::Action::Stop);
    EXPECT_EQ(watch.look(9, 0).action, RecordingWatch::Verdict::Action::None);
    ::close(fd);
}

// What a child process found, sent back through a pipe.
struct FullDiskReport {
    int events = 0;
    int error = 0;
    int failureLines = 0;
    bool refusedAfter = false;
    bool handledOffThisThread = false;
    double seconds = 0;
    std::uint64_t fileBytes = 0;
};

TEST_F(RecordingStopTest, AFullDiskStopsOnceAndLeavesAFileThatPlaysToItsLastWholeFragment) {
    constexpr off_t kLimit = 300000;
    const struct Case {
        const char* what;
        int error;
        std::function<void(FrameMovieExporter&)> setUp;
    } cases[] = {
        {"writes fail with no space left", AVERROR(ENOSPC),
         [](FrameMovieExporter& e) {
             e.setWriteFunction([](int fd, const void* data, std::size_t size) -> ssize_t {
                 const off_t at = ::lseek(fd, 0, SEEK_CUR);
                 if (at >= kLimit) return errno = ENOSPC, -1;
                 return ::write(fd, data, std::min<std::size_t>(size, std::size_t(kLimit - at)));
             });
         }},
        {"the file size limit", AVERROR(EFBIG),
         [](FrameMovieExporter&) {
             signal(SIGXFSZ, SIG_IGN); // writes past the limit then fail with EFBIG
             rlimit limit{kLimit, kLimit};
             setrlimit(RLIMIT_FSIZE, &limit);
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const QString file = path("full.mov");
        int pipeFds[2];
        ASSERT_EQ(pipe(pipeFds), 0);
        // A child, so that the limit and the spinning stay out of this process.
        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            FullDiskReport r;
            {
                LogCapture log;
                Recording rec(file, 30);
                if (!rec.exporter) _exit(2);
                std::atomic<std::thread::id> handledOn;
                rec.exporter->setEventHandler([&](const RecordingEvent& e) {
                    handledOn = std::this_thread::get_id();
                    std::lock_guard lock(rec.mutex);
                    rec.events.push_back(e);
                });
                c.setUp(*rec.exporter);
                while (rec.frames < 3000 && rec.next()) {
                }
                r.refusedAfter = !rec.exporter->exportFrame(rec.pool->take(), 1e5);
                r.seconds = rec.exporter->finish();
                const auto events = rec.seen();
                r.events = int(events.size());
                if (!events.empty() && events[0].reason == StopReason::WriteFailed) r.error = events[0].error;
                r.handledOffThisThread = handledOn.load() != std::this_thread::get_id();
                r.failureLines = int(LogCapture::lines().filter("AddMediaSampleFromEncodedFrame() failed").size());
            }
            struct stat st{};
            if (::stat(QFile::encodeName(file).constData(), &st) == 0) r.fileBytes = std::uint64_t(st.st_size);
            _exit(::write(pipeFds[1], &r, sizeof r) == sizeof r ? 0 : 3);
        }
        ::close(pipeFds[1]);
        FullDiskReport r;
        const bool reported = ::read(pipeFds[0], &r, sizeof r) == sizeof r;
        ::close(pipeFds[0]);
        int status = 0;
        waitpid(child, &status, 0);
        ASSERT_TRUE(WIFEXITED(status));
        ASSERT_EQ(WEXITSTATUS(status), 0);
        ASSERT_TRUE(reported);
        EXPECT_EQ(r.events, 1);
        EXPECT_EQ(r.error, c.error);
        EXPECT_EQ(r.failureLines, 1);
        EXPECT_TRUE(r.refusedAfter);
        EXPECT_TRUE(r.handledOffThisThread); // the news starts on the encoder's thread
        // The half-written fragment is gone; the whole ones play.
        EXPECT_LT(r.fileBytes, std::uint64_t(kLimit));
        const auto m = readMovie(file);
        ASSERT_TRUE(m.opened);
        EXPECT_GE(m.pts.size(), 30u);
        EXPECT_GT(r.seconds, 1.0);
        EXPECT_NEAR(m.seconds(), r.seconds, 1e-9);
        EXPECT_EQ(m.pts.size(), std::size_t(std::lround(r.seconds * 30)));
    }
}

TEST_F(RecordingStopTest, LowSpaceWarnsOnceThenStopsCleanlyWithEveryFrameKept) {
    const QString file = path("low.mov");
    Recording rec(file);
    ASSERT_TRUE(rec.exporter);
    std::uint64_t free = 50 * GB;
    rec.exporter->setFreeSpace([&](int) { return std::optional<std::uint64_t>(free); });
    auto runFor = [&](double seconds) {
        const double until = rec.now() + seconds;
        while (rec.now() < until && rec.next()) {
        }
    };
    runFor(2);
    EXPECT_TRUE(rec.seen().empty());
    free = 1500 * MB;
    runFor(1.0);
    ASSERT_EQ(rec.seen().size(), 1u);
    EXPECT_EQ(rec.seen()[0].kind, RecordingEvent::Kind::LowSpace);
    EXPECT_EQ(rec.seen()[0].freeBytes, 1500 * MB);
    free = 1000 * MB;
    runFor(3);
    EXPECT_EQ(rec.seen().size(), 1u); // warned once
    free = 200 * MB;
    const double lowFrom = rec.now();
    runFor(3);
    ASSERT_EQ(rec.seen().size(), 2u);
    const RecordingEvent stop = rec.seen()[1];
    EXPECT_EQ(stop.kind, RecordingEvent::Kind::Stopped);
    EXPECT_EQ(stop.reason, StopReason::LowSpace);
    EXPECT_EQ(stop.freeBytes, 200 * MB);
    EXPECT_TRUE(rec.exporter->stopped());
    EXPECT_LE(rec.now() - lowFrom, 1.0 + 1e-9);
    const int accepted = rec.frames;
    const double seconds = rec.exporter->finish();
    // Stopped with room to spare: every frame taken is in the file.
    const auto m = readMovie(file);
    ASSERT_TRUE(m.opened);
    EXPECT_EQ(int(m.pts.size()), accepted);
    EXPECT_NEAR(seconds, accepted / 25.0, 1e-9);
    EXPECT_NEAR(m.seconds(), seconds, 1e-9);
}

TEST_F(RecordingStopTest, AFileThatGoesAwayStopsTheRecordingWithinASecondAndIsNotWrittenAgain) {
    const struct Case {
        const char* what;
        StopReason reason;
        const char* movedTo; // where the movie then plays, or null
        std::function<void(const QByteArray& file, const QByteArray& other)> change;
    } cases[] = {
        {"deleted", StopReason::Deleted, nullptr, [](const QByteArray& f, const QByteArray&) { ::unlink(f.constData()); }},
        {"replaced", StopReason::Deleted, nullptr,
         [](const QByteArray& f, const QByteArray&) {
             ::unlink(f.constData());
             ::close(::open(f.constData(), O_WRONLY | O_CREAT, 0666));
         }},
        {"moved", StopReason::Moved, "other.mov",
         [](const QByteArray& f, const QByteArray& other) { ::rename(f.constData(), other.constData()); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const QByteArray file = QFile::encodeName(path("gone.mov")), other = QFile::encodeName(path("other.mov"));
        Recording rec(QFile::decodeName(file));
        ASSERT_TRUE(rec.exporter);
        while (rec.now() < 2.5 && rec.next()) {
        }
        // Our own look at the file, which keeps it readable once deleted.
        const int ours = ::open(file.constData(), O_RDONLY);
        ASSERT_GE(ours, 0);
        c.change(file, other);
        const double goneAt = rec.now();
        while (rec.now() < goneAt + 5 && rec.next()) {
        }
        const auto events = rec.seen();
        ASSERT_EQ(events.size(), 1u);
        EXPECT_EQ(events[0].reason, c.reason);
        EXPECT_LE(rec.now() - goneAt, 1.0 + 1e-9);
        struct stat atStop{}, after{};
        ::fstat(ours, &atStop);
        EXPECT_FALSE(rec.exporter->exportFrame(rec.pool->take(), 100));
        const double seconds = rec.exporter->finish();
        rec.exporter.reset();
        ::fstat(ours, &after);
        ::close(ours);
        EXPECT_GT(seconds, 1.0);
        if (c.reason == StopReason::Deleted) {
            EXPECT_EQ(after.st_size, atStop.st_size); // not written to, not even cut back
        } else {
            const auto m = readMovie(QFile::decodeName(other));
            ASSERT_TRUE(m.opened);
            EXPECT_NEAR(m.seconds(), seconds, 1e-9);
        }
        ::unlink(other.constData());
        ::unlink(file.constData());
    }
}

} // namespace
