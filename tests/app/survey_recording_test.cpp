// The survey recording as the window runs it: the Record toggle beside the
// export menu, split files named by the pattern, the navigation data inside
// and beside them, and the status line.
#include "app/AppController.h"
#include "app/CompressionDialog.h"
#include "app/RecordingSettingsDialog.h"
#include "app/RecordingStatus.h"
#include "app/SurveyRecorder.h"
#include "export/FrameMovieExporter.h"
#include "render/LayerStack.h"
#include "render/UserDefaults.h"
#include "tests/app/wait_for.h"
#include "tests/export/recording_files.h"

#include <QAction>
#include <QComboBox>
#include <QDir>
#include <QDoubleSpinBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTimer>
#include <gtest/gtest.h>

using namespace tarnvik;
using namespace tarnvik::test;

namespace {

// The values the overlay shows in second s of the run.
ShownValues shown(int s) {
    ShownValues v;
    v.timeUtc = QDateTime(QDate(2026, 12, 7), QTime(14, 25, 1), Qt::UTC).addSecs(s);
    v.latitude = QString("59°%1.0000 N").arg(10 + s);
    v.longitude = QString(" 10°%1.0000 E").arg(20 + s);
    v.headingDeg = 90 + s;
    v.positionStale = s == 7;
    return v;
}

QStringList csvRows(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return {};
    return QString::fromUtf8(f.readAll()).split('\n', Qt::SkipEmptyParts);
}

class SurveyRecordingTest : public testing::Test {
protected:
    void SetUp() override {
        qputenv("TARNVIK_COMPOSITIONS", COMPOSITIONS_DIR);
        av_log_set_level(AV_LOG_FATAL);
        options.decoderArguments.clear();
        options.settingsPath = dir.filePath("Tarnvik.plist");
        options.desktopFolder = dir.filePath("Desktop");
        options.renderSize = QSize(320, 240); // small frames encode quickly
    }
    void TearDown() override { av_log_set_level(AV_LOG_INFO); }

    // Launched, ticked by hand on a clock of its own; the files dated from
    // 14:25:01 UTC, encoded as the frames come.
    std::unique_ptr<AppController> launch() {
        auto c = std::make_unique<AppController>(options);
        c->applicationDidFinishLaunching();
        c->setClock([this] { return now; });
        c->recorder()->setUtcClock([] { return QDateTime(QDate(2026, 12, 7), QTime(14, 25, 1), Qt::UTC); });
        c->recorder()->setEncodeOnWorker(false);
        EXPECT_TRUE(waitFor([&] { return !c->isResizing(); }, 5000));
        c->setTimerFramerate(0);
        return c;
    }
    // A tick of 1/25 s; each whole second the overlay's values change.
    void tick(AppController& c) {
        if (ticks % 25 == 0) emit c.valuesShown(shown(ticks / 25));
        c.renderTick();
        now += 0.04;
        ++ticks;
    }

    QTemporaryDir dir;
    AppOptions options;
    double now = 500.0;
    int ticks = 0;
};

// --record and --split as the window takes them: 250 frames, a new file
// every 4 s, the files named from the default pattern.
TEST_F(SurveyRecordingTest, RecordsSplitFilesWithTheValuesInsideAndBeside) {
    options.recordFolder = dir.filePath("dive");
    options.splitSeconds = 4;
    auto c = launch();
    ASSERT_TRUE(c->recorder()->recording());
    EXPECT_TRUE(c->recordAction()->isChecked());
    EXPECT_EQ(c->recordAction()->shortcut(), QKeySequence(Qt::Key_F9));
    // The reader answers a tick late: 251 ticks give 250 frames.
    for (int i = 0; i < 251; ++i) tick(*c);
    EXPECT_TRUE(c->recordingStatus()->markShown());
    EXPECT_TRUE(c->recordingStatus()->text().startsWith("REC 00:00:"));
    EXPECT_TRUE(c->recordingStatus()->text().contains("  20261207-142509Z-MS_Tarnvik-CAM1.mov\n"))
        << c->recordingStatus()->text().toStdString();
    c->recordAction()->trigger(); // off
    EXPECT_FALSE(c->recorder()->recording());
    EXPECT_FALSE(c->recordingStatus()->markShown());

    const QStringList names = {"20261207-142501Z-MS_Tarnvik-CAM1", "20261207-142505Z-MS_Tarnvik-CAM1",
                               "20261207-142509Z-MS_Tarnvik-CAM1"};
    QStringList expected;
    for (const QString& n : names) expected << n + ".csv" << n + ".mov";
    EXPECT_EQ(QDir(options.recordFolder).entryList(QDir::Files, QDir::Name), expected);
    const std::size_t frames[] = {100, 100, 50};
    for (int k = 0; k < 3; ++k) {
        SCOPED_TRACE(k);
        const RecordingFile f = readRecording(QDir(options.recordFolder).filePath(names[k] + ".mov"), false);
        ASSERT_EQ(f.pts.size(), frames[k]);
        // A cue a second, with what the overlay showed in that second.
        ASSERT_EQ(f.cues.size(), frames[k] / 25);
        for (std::size_t s = 0; s < f.cues.size(); ++s) {
            const int second = 4 * k + int(s);
            EXPECT_EQ(f.cues[s].text, QString("2026-12-07 14:25:%1 UTC\n59°%2.0000 N 10°%3.0000 E%4\nHeading %5.0°")
                                          .arg(1 + second, 2, 10, QChar('0'))
                                          .arg(10 + second)
                                          .arg(20 + second)
                                          .arg(second == 7 ? " (stale)" : "")
                                          .arg(90 + second));
        }
        // The rows of the values shown while the file was written (the
        // frames come a tick after they are shown, the values with the tick).
        const QStringList rows = csvRows(QDir(options.recordFolder).filePath(names[k] + ".csv"));
        ASSERT_EQ(rows.size(), 1 + int(frames[k] / 25));
        EXPECT_EQ(rows[0], valuesCsvHeader());
        for (int r = 1; r < rows.size(); ++r) EXPECT_EQ(rows[r], valuesCsvRow(shown(4 * k + r)));
    }
}

// The toggle runs beside a movie export, which gets the data too; the
// settings come from the dialog, kept in the settings file.
TEST_F(SurveyRecordingTest, RecordsBesideAMovieExportWithTheDialogsSettings) {
    auto c = launch();
    int compressionDialogs = 0;
    c->setCompressionDialogRunner([&](CompressionDialog& d) {
        ++compressionDialogs;
        d.codecMenu()->setCurrentIndex(d.codecMenu()->findData(kCodecMotionJPEG));
        return 0;
    });
    c->setRecordingSettingsRunner([&](RecordingSettingsDialog& d) {
        EXPECT_TRUE(QRegularExpression("^\\d{8}-\\d{6}Z-MS_Tarnvik-CAM1\\.mov$").match(d.example()->text()).hasMatch())
            << d.example()->text().toStdString();
        d.folderField()->setText(dir.filePath("survey"));
        d.patternField()->setText("{job}_{camera}_{date}");
        d.cameraField()->setText("Port cam");
        d.splitField()->setValue(0.05); // 3 s
        d.compressionButton()->click();
        return 0;
    });
    ASSERT_TRUE(c->editRecordingSettings());
    EXPECT_EQ(compressionDialogs, 1);
    const RecordingSettings kept = RecordingSettings::load(UserDefaults(options.settingsPath));
    EXPECT_EQ(kept.camera, "Port cam");
    EXPECT_EQ(kept.splitSeconds, 3);
    EXPECT_EQ(kept.compression.codec, kCodecMotionJPEG);

    const QString movie = dir.filePath("export.mov");
    c->setSavePanel([&](const QString&) { return movie; });
    c->exportMenu()->setCurrentIndex(1);
    c->updateExport();
    c->setTimerFramerate(0);
    ASSERT_TRUE(c->movieExporter());
    c->recordAction()->trigger();
    ASSERT_TRUE(c->recorder()->recording());
    for (int i = 0; i < 101; ++i) tick(*c);
    c->exportMenu()->setCurrentIndex(0);
    c->updateExport(); // the export ends; the recording goes on
    EXPECT_TRUE(c->recorder()->recording());
    for (int i = 0; i < 25; ++i) tick(*c);
    ASSERT_TRUE(c->setRecording(false));

    const QStringList files = QDir(dir.filePath("survey")).entryList({"*.mov"}, QDir::Files, QDir::Name);
    ASSERT_EQ(files, QStringList({"ROV_inspection_Port_cam_20261207-2.mov", "ROV_inspection_Port_cam_20261207.mov"}))
        << files.join(" ").toStdString();
    std::size_t recorded = 0;
    for (const QString& f : files) {
        const RecordingFile r = readRecording(dir.filePath("survey/" + f), false);
        EXPECT_EQ(r.codec, AV_CODEC_ID_MJPEG);
        recorded += r.pts.size();
    }
    EXPECT_EQ(recorded, 125u);
    // The export's encoder drops frames when it is behind: its first second is there.
    const RecordingFile m = readRecording(movie, false);
    ASSERT_FALSE(m.cues.empty());
    EXPECT_TRUE(m.cues[0].text.contains("59°10.0000 N")) << m.cues[0].text.toStdString();
    EXPECT_EQ(csvRows(dir.filePath("export.csv")).size(), 1 + 5);
}

// Where a snapshot went is said in the status line; a folder
// that cannot be made gives an alert and no recording.
TEST_F(SurveyRecordingTest, TheStatusSaysWhereTheSnapshotWentAndWhyARecordingCannotStart) {
    auto c = launch();
    tick(*c);
    tick(*c);
    ASSERT_TRUE(c->screenShoot());
    const QStringList saved = QDir(dir.filePath("Desktop")).entryList({"*.png"});
    ASSERT_EQ(saved.size(), 1);
    EXPECT_TRUE(
        c->recordingStatus()->text().endsWith("Snapshot saved to \"" + dir.filePath("Desktop/" + saved[0]) + "\""))
        << c->recordingStatus()->text().toStdString();

    c.reset();
    QFile blocker(dir.filePath("file"));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    options.recordFolder = dir.filePath("file/below");
    auto d = launch();
    EXPECT_FALSE(d->recorder()->recording());
    EXPECT_FALSE(d->recordAction()->isChecked());
    EXPECT_EQ(d->notices().posted().last(),
              "Cannot record: the folder \"" + dir.filePath("file/below") + "\" cannot be made.");
}

} // namespace
