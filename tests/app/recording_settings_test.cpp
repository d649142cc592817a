#include "app/RecordingSettings.h"
#include "render/UserDefaults.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace tarnvik;

namespace {

TEST(RecordingSettings, FileNamesComeFromThePatternMadeFileSafe) {
    const QDateTime utc(QDate(2026, 12, 7), QTime(14, 25, 1), Qt::UTC);
    const struct {
        const char *pattern, *vessel, *job, *camera, *name;
    } cases[] = {
        {"{date}-{time}Z-{vessel}-{camera}", "M/S Tarnvik", "ROV inspection", "CAM1",
         "20261207-142501Z-MS_Tarnvik-CAM1"},
        {"{date}-{time}Z-{vessel}-{camera}", "", "", "CAM1", "20261207-142501Z-CAM1"},
        {"{vessel}_{job}_{date}", "R/V Kvitbjørn", "Dive 7: \"pipeline\"", "", "RV_Kvitbjørn_Dive_7_pipeline_20261207"},
        {"../{job}/{time}", "", "a/../b", "", "a..b142501"},
        {"{camera}", "", "", "", "recording"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(recordingBaseName(c.pattern, utc, c.vessel, c.job, c.camera).toStdString(), c.name) << c.pattern;
}

TEST(RecordingSettings, AreKeptAndWhatCannotBeUsedKeepsItsDefault) {
    QTemporaryDir dir;
    UserDefaults defaults(dir.filePath("Tarnvik.plist"));
    const RecordingSettings standard;
    EXPECT_TRUE(standard.folder.endsWith("/Tarnvik"));
    EXPECT_EQ(RecordingSettings::load(defaults), standard);

    RecordingSettings s;
    s.folder = "/srv/survey";
    s.camera = "Port";
    s.splitSeconds = 600;
    s.compression.codec = kCodecProRes422;
    s.store(defaults);
    ASSERT_TRUE(defaults.synchronize());
    EXPECT_EQ(RecordingSettings::load(UserDefaults(dir.filePath("Tarnvik.plist"))), s);

    defaults.setValue(recordingSettingsKey(), QVariantMap{{"Folder", 7},
                                                          {"Pattern", "   "},
                                                          {"SplitSeconds", 0.2},
                                                          {"Compression", QByteArray("junk")},
                                                          {"Camera", "Stb"}});
    const RecordingSettings damaged = RecordingSettings::load(defaults);
    EXPECT_EQ(damaged.folder, standard.folder);
    EXPECT_EQ(damaged.pattern, standard.pattern);
    EXPECT_EQ(damaged.splitSeconds, standard.splitSeconds);
    EXPECT_EQ(damaged.compression, standard.compression);
    EXPECT_EQ(damaged.camera, "Stb");
}

} // namespace
