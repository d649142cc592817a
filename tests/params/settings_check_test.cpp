#include "app/AppController.h"
#include "render/CompositionRenderer.h"
#include "render/CompositionScene.h"
#include "params/CompositionParametersView.h"
#include "params/Controls.h"
#include "render/StorageForms.h"
#include "render/Plist.h"
#include "params/RenderParametersView.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <cmath>

using namespace tarnvik;

namespace {

QString data(const char* name) { return QStringLiteral(TEST_DATA_DIR "/") + QLatin1String(name); }

class SettingsCheck : public testing::Test {
protected:
    void SetUp() override {
        scene = CompositionScene::create(QSize(32, 32));
        ASSERT_TRUE(scene) << "no OpenGL: run under xvfb-run";
        renderer = CompositionRenderer::create(*scene, data("verdier.qtz"));
        ASSERT_TRUE(renderer);
    }
    std::unique_ptr<CompositionScene> scene;
    std::unique_ptr<CompositionRenderer> renderer;
};

TEST_F(SettingsCheck, ValuesNotTakenAsStoredAreReportedByName) {
    QImage logo(4, 3, QImage::Format_ARGB32);
    logo.fill(Qt::red);
    struct Case {
        const char* key;
        QVariant stored;
        const char* used; // null: taken as stored
    } cases[] = {
        {"Show", true, nullptr},        {"Show", 0.0, nullptr},      {"Show", 0.5, "on"},
        {"Speed", 2.5, nullptr},        {"Speed", std::nan(""), "2.5"}, {"Speed", HUGE_VAL, "2.5"},
        {"Speed", 11.0, "10"},          {"Speed", QString("3"), "3"},   {"Size", qlonglong(1), "4"},
        {"Step", qlonglong(3), nullptr}, {"Step", 2.5, "3"},            {"Text", QString("Fartøy"), nullptr},
        {"Text", 5.0, "\"5\""},
        {"Tint", QString("R=1 G=0.5 B=0 A=1"), nullptr},
        {"Tint", QString("R=7 G=0 B=0 A=1"), "\"R=1 G=0 B=0 A=1\""},
        {"Tint", QString("R=0.2 G=0.4"), "\"R=0.2 G=0.4 B=0 A=0\""},
        {"Tint", 3.0, "\"R=0.2 G=0.4 B=0 A=0\""}, // refused: the colour before stays
        {"Logo", imageToStorage(logo), nullptr},
        {"Logo", QByteArray("not an image"), "no image"},
        {"Logo", QString("Logo.png"), "no image"},
    };
    CompositionParametersView form(renderer.get());
    for (const Case& c : cases) {
        const QList<ValueReset> resets = form.setParameters({{c.key, c.stored}, {"Unknown", std::nan("")}});
        const std::string row = std::string(c.key) + " " + describeStored(c.stored).toStdString();
        if (!c.used) {
            EXPECT_TRUE(resets.isEmpty()) << row;
            continue;
        }
        ASSERT_EQ(resets.size(), 1) << row;
        const QString name = renderer->attributes().value(c.key).name;
        EXPECT_EQ(resets[0].input, name.isEmpty() ? QString(c.key) : name) << row;
        EXPECT_EQ(resets[0].stored, describeStored(c.stored)) << row;
        EXPECT_EQ(resets[0].used, c.used) << row;
    }
}

TEST_F(SettingsCheck, EditsPastTheStorageLimitsAreCutOrRefused) {
    CompositionParametersView form(renderer.get());
    form.setStorageLimits({.stringChars = 5, .dataBytes = 64});
    auto* text = form.findChild<WrappingTextField*>();
    text->setText("abcdefgh");
    emit text->editingFinished();
    EXPECT_EQ(renderer->valueForInputKey("Text"), QVariant(QString("abcde")));
    EXPECT_EQ(text->text(), "abcde");

    QImage big(64, 64, QImage::Format_ARGB32);
    big.fill(Qt::green);
    form.findChild<ImageWell*>()->take(big);
    EXPECT_TRUE(renderer->valueForInputKey("Logo").isNull());

    renderer->setValue("Text", QString("far too long")); // set around the form
    EXPECT_FALSE(form.parameters(true).contains("Text"));
}

// The whole start-up: a reset value shows in the window, the file as it was is kept.
TEST(SettingsStart, ResetValueGivesANoticeAndAKeptCopy) {
    qputenv("TARNVIK_COMPOSITIONS", COMPOSITIONS_DIR);
    QTemporaryDir dir;
    const QString path = dir.filePath("Tarnvik.plist");
    const QVariantMap infoBox{{"Opacity", std::nan("")}, {"FontSize", QString("big")}, {"Vessel", QString("R/V Test")}};
    const QByteArray original =
        plist::write(QVariantMap{{"settings", QVariantMap{{"InfoBox", infoBox}, {"Logo", QString("damaged")}}}});
    {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(original);
    }
    AppOptions o;
    o.decoderArguments.clear();
    o.settingsPath = path;
    {
        AppController c(o);
        c.applicationDidFinishLaunching();
        ASSERT_EQ(c.notices().posted().size(), 1);
        const QString notice = c.notices().posted()[0];
        EXPECT_TRUE(notice.contains("InfoBox, Opacity: stored nan, using 1")) << notice.toStdString();
        EXPECT_TRUE(notice.contains("InfoBox, Font size: stored \"big\", using 18")) << notice.toStdString();
        EXPECT_TRUE(notice.contains("Logo: stored \"damaged\" instead of its values, using its defaults"));
        EXPECT_TRUE(c.notices().bar());
        EXPECT_EQ(c.settingsView()->renderers()[1]->valueForInputKey("Vessel"), QVariant(QString("R/V Test")));
        const QStringList kept = QDir(dir.path()).entryList({"Tarnvik.plist.damaged-*"}, QDir::Files);
        ASSERT_EQ(kept.size(), 1);
        EXPECT_TRUE(notice.contains(dir.filePath(kept[0])));
        QFile k(dir.filePath(kept[0]));
        ASSERT_TRUE(k.open(QIODevice::ReadOnly));
        EXPECT_EQ(k.readAll(), original);
        EXPECT_TRUE(c.applicationWillTerminate());
    }
    AppController again(o);
    again.applicationDidFinishLaunching();
    EXPECT_TRUE(again.notices().posted().isEmpty());
    EXPECT_EQ(again.settingsView()->renderers()[1]->valueForInputKey("Vessel"), QVariant(QString("R/V Test")));
}

} // namespace
