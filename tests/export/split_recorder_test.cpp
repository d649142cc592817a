#include "export/SplitRecorder.h"
#include "tests/export/recording_files.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <vector>

using namespace tarnvik;
using namespace tarnvik::test;

namespace {

class SplitRecorderTest : public testing::Test {
protected:
    void SetUp() override { av_log_set_level(AV_LOG_FATAL); }
    void TearDown() override { av_log_set_level(AV_LOG_INFO); }

    std::unique_ptr<SplitRecorder> make(double splitSeconds) {
        SplitRecorder::Settings s;
        s.codec = kCodecH264;
        s.options.keyFrameInterval = 25;
        s.width = 64;
        s.height = 48;
        s.splitSeconds = splitSeconds;
        auto r = SplitRecorder::create(s, [this](const QDateTime& utc, int attempt) {
            const QString suffix = attempt ? QString("-%1").arg(attempt + 1) : QString();
            return dir.filePath(utc.toString("yyyyMMdd-HHmmss'Z'") + suffix + ".mov");
        });
        if (!r) return r;
        r->setUtcClock([this] { return start; });
        r->setCueText([](const QDateTime& utc) { return "at " + utc.toString(Qt::ISODate); });
        r->setFileStarted([this](const QString& path, const QDateTime&) { started << QFileInfo(path).fileName(); });
        r->setEventHandler([this](const RecordingEvent& e) { events.push_back(e); });
        return r;
    }
    bool record(SplitRecorder& r, int number, double frames) {
        FramePtr f = pool->take();
        markFrame(*f, number);
        return r.recordFrame(f, 700 + frames * 0.04);
    }

    QTemporaryDir dir;
    const QDateTime start{QDate(2026, 12, 7), QTime(14, 25, 1), Qt::UTC};
    std::shared_ptr<FramePool> pool = FramePool::create(64, 48);
    QStringList started;
    std::vector<RecordingEvent> events;
};

TEST_F(SplitRecorderTest, SplitsLoseNoFrameAndEachFilePlaysOnItsOwn) {
    // Another recording's file has the first file's name: it stays as it is.
    QFile other(dir.filePath("20261207-142501Z.mov"));
    ASSERT_TRUE(other.open(QIODevice::WriteOnly) && other.write("not ours") == 8);
    other.close();
    auto r = make(4);
    ASSERT_TRUE(r);
    // 250 ticks with a third of a frame of jitter, one of them 2.6 frames late.
    for (int i = 0; i < 250; ++i) EXPECT_TRUE(record(*r, i, i + (i % 2 ? 0.3 : -0.3) + (i == 120 ? 2.6 : 0)));
    r->finish();
    EXPECT_EQ(other.size(), 8);
    ASSERT_EQ(started, QStringList({"20261207-142501Z-2.mov", "20261207-142505Z.mov", "20261207-142509Z.mov"}));

    std::vector<int> marks;
    std::size_t frames = 0;
    for (int k = 0; k < 3; ++k) {
        SCOPED_TRACE(k);
        const RecordingFile f = readRecording(dir.filePath(started[k]));
        ASSERT_TRUE(f.opened);
        EXPECT_EQ(f.codec, AV_CODEC_ID_H264);
        EXPECT_EQ(f.timeBase.den, 600);
        ASSERT_FALSE(f.pts.empty());
        EXPECT_TRUE(f.keys[0]) << "each file starts with a key frame";
        // Each file's times start at 0 and run on the 25 fps grid without a gap.
        for (std::size_t j = 0; j < f.pts.size(); ++j) ASSERT_EQ(f.pts[j], std::int64_t(24 * j)) << j;
        if (k < 2) {
            EXPECT_EQ(f.pts.size(), 100u);
        }
        const QString utc = QString("2026-12-07T14:25:%1").arg(1 + 4 * k, 2, 10, QChar('0'));
        EXPECT_EQ(f.tags.at("creation_time"), (utc + ".000000Z").toStdString());
        EXPECT_EQ(f.tags.at("date"), (utc + ".000Z").toStdString());
        // A cue a second of the picture.
        ASSERT_EQ(f.cues.size(), (f.pts.size() * 24 + 599) / 600);
        for (std::size_t c = 0; c < f.cues.size(); ++c) {
            EXPECT_EQ(f.cues[c].pts, std::int64_t(600 * c));
            EXPECT_EQ(f.cues[c].text, "at " + start.addSecs(4 * k + c).toString(Qt::ISODate));
        }
        ASSERT_EQ(f.marks.size(), f.pts.size());
        // Across a cut the picture goes on with the very next frame.
        if (!marks.empty()) {
            EXPECT_EQ(f.marks.front(), marks.back() + 1);
        }
        marks.insert(marks.end(), f.marks.begin(), f.marks.end());
        frames += f.pts.size();
    }
    EXPECT_EQ(std::int64_t(frames), r->framesGiven());
    EXPECT_EQ(std::int64_t(frames), r->framesWritten());
    EXPECT_EQ(r->framesDropped(), 0);
    // In order, from the first frame to the last; only the late tick repeats
    // a picture, and the early ticks that follow it are left out.
    EXPECT_EQ(marks.front(), 0);
    EXPECT_EQ(marks.back(), 249);
    int repeated = 0, skipped = 0;
    for (std::size_t j = 1; j < marks.size(); ++j) {
        ASSERT_GE(marks[j], marks[j - 1]) << j;
        repeated += marks[j] == marks[j - 1];
        skipped += marks[j] - marks[j - 1] - (marks[j] > marks[j - 1]);
    }
    EXPECT_GE(repeated, 2);
    EXPECT_LE(repeated, 3);
    EXPECT_EQ(r->framesRepeated(), repeated);
    EXPECT_EQ(r->framesLeftOut(), skipped);
    EXPECT_EQ(skipped, int(250 + repeated - marks.size()));
    EXPECT_TRUE(events.empty());
}

// Each file is watched on its own: a deleted file is left and the recording
// goes on in a new one; a disk running low warns, and then stops the
// recording with its file finished.
TEST_F(SplitRecorderTest, TheDiskIsWatchedFileByFile) {
    std::uint64_t free = 10'000'000'000;
    auto r = make(1800);
    ASSERT_TRUE(r);
    r->setFreeSpace([&](int) { return std::optional<std::uint64_t>(free); });
    int i = 0;
    for (; i < 30; ++i) ASSERT_TRUE(record(*r, i, i));
    ASSERT_TRUE(QFile::remove(dir.filePath(started[0])));
    for (; i < 60; ++i) ASSERT_TRUE(record(*r, i, i));
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].kind, RecordingEvent::Kind::FileGone);
    EXPECT_EQ(events[0].reason, StopReason::Deleted);
    ASSERT_EQ(started.size(), 2);
    EXPECT_NE(started[1], started[0]);

    free = 1'000'000'000;
    for (; i < 90; ++i) ASSERT_TRUE(record(*r, i, i));
    ASSERT_EQ(events.size(), 2u);
    EXPECT_EQ(events[1].kind, RecordingEvent::Kind::LowSpace);
    free = 100'000'000;
    for (; i < 150 && record(*r, i, i); ++i) {}
    EXPECT_LT(i, 150);
    ASSERT_EQ(events.size(), 3u);
    EXPECT_EQ(events[2].kind, RecordingEvent::Kind::Stopped);
    EXPECT_EQ(events[2].reason, StopReason::LowSpace);
    ASSERT_TRUE(r->stopEvent());
    EXPECT_FALSE(record(*r, i, i)) << "a stopped recording takes no more";
    r->finish();
    const RecordingFile f = readRecording(dir.filePath(started[1]));
    ASSERT_TRUE(f.opened);
    EXPECT_TRUE(f.keys[0]);
    EXPECT_EQ(f.marks.size(), f.pts.size());
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{started[1]});
}

} // namespace
