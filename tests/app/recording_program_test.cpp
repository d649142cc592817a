// The tarnvik program recording headless: --record and --split with
// --frames, a camera file in the "Video" layer, and a kill in mid-file.
#include "render/ShownValues.h"
#include "render/UserDefaults.h"
#include "tests/export/recording_files.h"
#include "tools/loopback.h"

#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <csignal>

using namespace tarnvik;
using namespace tarnvik::test;

namespace {

class RecordingProgramTest : public testing::Test {
protected:
    void SetUp() override {
        av_log_set_level(AV_LOG_FATAL);
        // The camera: H.264 with a key frame every ten frames, two seconds looped.
        clip = dir.filePath("camera.mov");
        ASSERT_TRUE(writeMarkedClip(clip, 50, 10, 160, 120));
        source = readRecording(clip, false);
        UserDefaults settings(dir.filePath("Tarnvik.plist"));
        settings.setValue("settings", QVariantMap{{"Video", QVariantMap{{"Source", clip}}}});
        ASSERT_TRUE(settings.synchronize());
        folder = dir.filePath("rec");
    }
    void TearDown() override { av_log_set_level(AV_LOG_INFO); }

    QStringList arguments(const QStringList& more) const {
        // Small frames, which the encoder keeps up with on a busy machine.
        return QStringList{"--compositions", COMPOSITIONS_DIR, "--settings", dir.filePath("Tarnvik.plist"),
                           "--size",         "320x240",        "--record",   folder} +
               more + QStringList{"--", QString("-u%1").arg(loopback::ledig_port())};
    }
    // The overlaid files, oldest first.
    QStringList movies() const {
        QStringList m = QDir(folder).entryList({"*.mov"}, QDir::Files, QDir::Name);
        m.removeIf([](const QString& n) { return n.contains("-clean"); });
        return m;
    }
    // The clean copies' packets are the camera's, in its order, looping.
    void expectSourcePackets(const std::vector<QByteArray>& packets) const {
        ASSERT_FALSE(packets.empty());
        const auto first = std::find(source.packets.begin(), source.packets.end(), packets[0]);
        ASSERT_NE(first, source.packets.end());
        const std::size_t at = std::size_t(first - source.packets.begin());
        for (std::size_t i = 0; i < packets.size(); ++i)
            ASSERT_EQ(packets[i], source.packets[(at + i) % source.packets.size()]) << i;
    }

    QTemporaryDir dir;
    QString clip, folder;
    RecordingFile source;
    QProcess p;
};

TEST_F(RecordingProgramTest, RecordsSplitFilesAndTheirCleanCopiesHeadless) {
    p.start(TARNVIK_BIN, arguments({"--frames", "250", "--split", "4"}));
    ASSERT_TRUE(p.waitForFinished(90000));
    const QString log = p.readAllStandardError();
    ASSERT_EQ(p.exitCode(), 0) << log.toStdString();

    const QStringList names = movies();
    // Ten seconds or more, as late ticks are filled in: three files at least.
    ASSERT_GE(names.size(), 3) << log.toStdString();
    const QRegularExpression pattern("^\\d{8}-\\d{6}Z-MS_Tarnvik-CAM1\\.mov$");
    std::size_t frames = 0;
    std::vector<QByteArray> clean;
    for (int k = 0; k < names.size(); ++k) {
        SCOPED_TRACE(names[k].toStdString());
        EXPECT_TRUE(pattern.match(names[k]).hasMatch());
        const RecordingFile f = readRecording(QDir(folder).filePath(names[k]), false);
        ASSERT_TRUE(f.opened);
        ASSERT_FALSE(f.pts.empty());
        EXPECT_TRUE(f.keys[0]);
        for (std::size_t j = 0; j < f.pts.size(); ++j) ASSERT_EQ(f.pts[j], std::int64_t(24 * j));
        if (k + 1 < names.size()) {
            EXPECT_EQ(f.pts.size(), 100u);
        }
        frames += f.pts.size();
        // Its start, to the second, is in its name, and in the first cue.
        const QDateTime start = QDateTime::fromString(names[k].left(15), "yyyyMMdd-HHmmss");
        ASSERT_FALSE(f.cues.empty());
        EXPECT_TRUE(f.cues[0].text.startsWith(start.toString("yyyy-MM-dd HH:mm:ss 'UTC'")))
            << f.cues[0].text.toStdString();
        EXPECT_EQ(f.cues.size(), (f.pts.size() * 24 + 599) / 600);
        QFile csv(QDir(folder).filePath(names[k].chopped(4) + ".csv"));
        ASSERT_TRUE(csv.open(QIODevice::ReadOnly));
        EXPECT_EQ(csv.readLine().trimmed(), valuesCsvHeader().toUtf8());
        const RecordingFile copy = readRecording(QDir(folder).filePath(names[k].chopped(4) + "-clean.mov"), false);
        clean.insert(clean.end(), copy.packets.begin(), copy.packets.end());
    }
    EXPECT_TRUE(
        log.contains(QString("Recording stopped: %1 frames in %2 files (0 dropped, ").arg(frames).arg(names.size())))
        << log.toStdString();
    // The copy goes on from file to file with the camera's packets as they are.
    EXPECT_GE(clean.size(), 150u);
    expectSourcePackets(clean);
}

TEST_F(RecordingProgramTest, AKillInMidFileLeavesEveryFilePlayable) {
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(TARNVIK_BIN, arguments({"--split", "3"}));
    QString said;
    while (said.count("Recording to") < 2 && p.waitForReadyRead(30000)) said += p.readAll();
    ASSERT_EQ(said.count("Recording to"), 2) << said.toStdString();
    // A fragment of the second file and of its clean copy is on disk, but
    // not the file's end.
    const QString second = QDir(folder).filePath(movies().value(1));
    const qint64 header = QFileInfo(second).size();
    auto grown = [&](const QString& path) { return QFileInfo(path).size() > header + 1000; };
    QElapsedTimer waited;
    waited.start();
    while (!(grown(second) && grown(second.chopped(4) + "-clean.mov")) && p.state() == QProcess::Running &&
           waited.elapsed() < 30000)
        p.waitForReadyRead(100);
    ASSERT_EQ(p.state(), QProcess::Running);
    ::kill(pid_t(p.processId()), SIGKILL);
    ASSERT_TRUE(p.waitForFinished(10000));

    const QStringList names = movies();
    ASSERT_GE(names.size(), 2);
    for (const QString& name : names) {
        SCOPED_TRACE(name.toStdString());
        const RecordingFile f = readRecording(QDir(folder).filePath(name));
        ASSERT_TRUE(f.opened);
        ASSERT_FALSE(f.pts.empty());
        EXPECT_EQ(f.marks.size(), f.pts.size()) << "every frame kept decodes";
        if (name == names[0]) {
            EXPECT_EQ(f.pts.size(), 75u);
        }
        const RecordingFile copy = readRecording(QDir(folder).filePath(name.chopped(4) + "-clean.mov"));
        ASSERT_TRUE(copy.opened);
        ASSERT_FALSE(copy.pts.empty());
        EXPECT_EQ(copy.marks.size(), copy.pts.size());
        expectSourcePackets(copy.packets);
        // Whole rows only, each with every field.
        QFile csv(QDir(folder).filePath(name.chopped(4) + ".csv"));
        ASSERT_TRUE(csv.open(QIODevice::ReadOnly));
        const QByteArray all = csv.readAll();
        EXPECT_TRUE(all.endsWith('\n'));
        const QList<QByteArray> rows = all.trimmed().split('\n');
        ASSERT_GE(rows.size(), 2);
        EXPECT_EQ(rows[0], valuesCsvHeader().toUtf8());
        for (const QByteArray& row : rows) EXPECT_EQ(row.count(','), valuesCsvHeader().count(',')) << row.toStdString();
    }
}

} // namespace
