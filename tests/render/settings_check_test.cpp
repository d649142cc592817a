// What of the stored values a layer could not take as they were, named so
// that the user can be told.
#include "render/CompositionRenderer.h"
#include "render/CompositionScene.h"
#include "render/LayerValues.h"
#include "render/StorageForms.h"

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
    for (const Case& c : cases) {
        const QList<ValueReset> resets = setLayerValues(*renderer, {{c.key, c.stored}, {"Unknown", std::nan("")}});
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

} // namespace
