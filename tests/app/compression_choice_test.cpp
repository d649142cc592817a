#include "app/CompressionChoice.h"
#include "app/CompressionDialog.h"
#include "render/UserDefaults.h"
#include "tests/export/log_capture.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QSlider>
#include <QSpinBox>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace tarnvik;
using tarnvik::test::LogCapture;

namespace {

const QString kAutosave = QStringLiteral("CompressionDialogSettings");

class CompressionChoiceTest : public testing::Test {
protected:
    QString file() const { return dir.filePath("Tarnvik.plist"); }
    QTemporaryDir dir;
};

TEST_F(CompressionChoiceTest, TheChoiceIsKeptAndOfferedNextTime) {
    std::uint32_t codec = 0;
    double rate = 25.0;
    {
        UserDefaults defaults(file());
        auto options = userCompressionOptions(&codec, &rate, kAutosave, &defaults, nullptr, [](CompressionDialog& d) {
            // A first run offers the dialog's defaults.
            EXPECT_EQ(d.settings(), CompressionSettings{});
            d.codecMenu()->setCurrentIndex(d.codecMenu()->findData(kCodecMotionJPEG));
            d.qualitySlider()->setValue(300);
            d.dataRateField()->setValue(900);
            d.keyFrameBox()->setChecked(false);
            d.frameRateField()->setValue(30);
            return 0;
        });
        ASSERT_TRUE(options);
        EXPECT_EQ(codec, kCodecMotionJPEG);
        EXPECT_EQ(rate, 30.0);
        EXPECT_EQ(options->quality, 300);
        EXPECT_EQ(options->dataRate, 900'000);
        EXPECT_EQ(options->keyFrameInterval, 0);
        EXPECT_FALSE(options->allowAsynchronousCompletion);
    }
    // Stored in the file at once, not only when the program ends.
    UserDefaults again(file());
    ASSERT_TRUE(again.value(kAutosave).isValid());
    CompressionSettings offered;
    auto options = userCompressionOptions(&codec, &rate, kAutosave, &again, nullptr, [&](CompressionDialog& d) {
        offered = d.settings();
        return 0;
    });
    ASSERT_TRUE(options);
    EXPECT_EQ(offered.codec, kCodecMotionJPEG);
    EXPECT_EQ(offered.quality, 300);
    EXPECT_EQ(offered.frameRate, 30.0);
}

TEST_F(CompressionChoiceTest, CancelOrFailureGivesNoOptionsAndLeavesTheOutValues) {
    UserDefaults defaults(file());
    const struct {
        int answer;
        const char* logged; // null: nothing
    } cases[] = {{1, nullptr}, {-50, "SCRequestSequenceSettings() failed with error -50"}};
    for (const auto& c : cases) {
        std::uint32_t codec = 7;
        double rate = 25.0;
        LogCapture log;
        EXPECT_FALSE(userCompressionOptions(&codec, &rate, kAutosave, &defaults, nullptr,
                                            [&](CompressionDialog&) { return c.answer; }));
        EXPECT_EQ(codec, 7u);
        EXPECT_EQ(rate, 25.0);
        EXPECT_EQ(LogCapture::lines(), c.logged ? QStringList{c.logged} : QStringList{});
        EXPECT_FALSE(defaults.value(kAutosave).isValid()) << "nothing chosen, nothing kept";
    }
}

TEST_F(CompressionChoiceTest, DamagedStoredSettingsAreReportedAndReplaced) {
    UserDefaults defaults(file());
    defaults.setValue(kAutosave, QByteArray("not our settings"));
    LogCapture log;
    CompressionSettings offered;
    ASSERT_TRUE(userCompressionOptions(nullptr, nullptr, kAutosave, &defaults, nullptr, [&](CompressionDialog& d) {
        offered = d.settings();
        return 0;
    }));
    EXPECT_EQ(LogCapture::lines(), QStringList{"SCSetSettingsFromAtomContainer() failed with error -1"});
    EXPECT_EQ(offered, CompressionSettings{});
    CompressionSettings stored;
    EXPECT_EQ(stored.parse(defaults.value(kAutosave).toByteArray()), 0);
}

TEST_F(CompressionChoiceTest, WithoutAnAutosaveNameNothingIsStored) {
    UserDefaults defaults(file());
    ASSERT_TRUE(userCompressionOptions(nullptr, nullptr, QString(), &defaults, nullptr,
                                       [](CompressionDialog&) { return 0; }));
    EXPECT_TRUE(defaults.values().isEmpty());
}

} // namespace
