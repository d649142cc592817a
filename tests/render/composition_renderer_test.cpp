#include "render/CompositionRenderer.h"
#include "render/CompositionScene.h"

#include <QColor>
#include <QImage>
#include <QtGlobal>
#include <gtest/gtest.h>

#include <cmath>

using namespace tarnvik;

namespace {

QString data(const char* name) { return QStringLiteral(TEST_DATA_DIR "/") + QLatin1String(name); }

class RendererTest : public testing::Test {
protected:
    void SetUp() override {
        scene = CompositionScene::create(QSize(64, 48));
        ASSERT_TRUE(scene) << "no OpenGL: run under xvfb-run";
    }
    std::unique_ptr<CompositionScene> scene;
};

TEST_F(RendererTest, KeysInDeclaredOrderWithTheirAttributes) {
    auto r = CompositionRenderer::create(*scene, data("alle_typer.qtz"));
    ASSERT_TRUE(r);
    EXPECT_EQ(r->inputKeys(), (QStringList{"Show", "Corner", "Opacity", "Size", "Title", "Fill", "Picture",
                                           "HIDDEN_value", "Curve"}));
    const auto& a = r->attributes();
    EXPECT_EQ(a["Show"].type, PortType::Boolean);
    EXPECT_EQ(a["Show"].name, "Show the box");
    EXPECT_EQ(a["Corner"].type, PortType::Index);
    EXPECT_EQ(a["Corner"].maximum, 3.0);
    EXPECT_EQ(a["Size"].minimum, 4.0);
    EXPECT_FALSE(a["Size"].maximum);
    EXPECT_TRUE(a["Size"].name.isEmpty());
    EXPECT_EQ(a["Fill"].type, PortType::Color);
    EXPECT_EQ(a["Picture"].type, PortType::Image);
    EXPECT_EQ(a["Curve"].type, PortType::Other);
    // Defaults as the document gives them.
    EXPECT_EQ(r->valueForInputKey("Corner"), QVariant(1.0));
    EXPECT_EQ(r->valueForInputKey("Title"), QVariant(QString("Hei")));
    EXPECT_EQ(r->valueForInputKey("Fill").value<QColor>(), QColor(255, 0, 0));
    EXPECT_FALSE(r->valueForInputKey("Picture").isValid());
}

TEST_F(RendererTest, ValuesAreCoercedToTheInputTypeOrChangeNothing) {
    auto r = CompositionRenderer::create(*scene, data("alle_typer.qtz"));
    ASSERT_TRUE(r);
    QImage blue(4, 4, QImage::Format_ARGB32);
    blue.fill(Qt::blue);
    struct Case {
        const char* key;
        QVariant in;
        QVariant out;
    } cases[] = {
        {"Show", false, 0.0},
        {"Show", 2.5, 1.0},
        {"Corner", 2.4, 2.0},
        {"Corner", 2.6, 3.0},
        {"Corner", 9, 3.0},
        {"Corner", -4, 0.0},
        {"Corner", QString("2"), 2.0},
        {"Opacity", 1.7, 1.0},
        {"Opacity", -0.1, 0.0},
        {"Opacity", 0.25, 0.25},
        {"Size", 1.0, 4.0},
        {"Size", 1e9, 1e9},
        {"Title", 42, QString("42")},
        {"Title", QVariant(), QString()},
        // What cannot be used changes nothing.
        {"Opacity", std::nan(""), 0.25},
        {"Opacity", QString("lots"), 0.25},
        {"Opacity", QVariant(), 0.25},
        {"Fill", QString("not a colour"), QColor(255, 0, 0)},
        {"Nobody", 1.0, QVariant()},
        {"Picture", blue, blue},
        {"Picture", QVariant(), QVariant()},
    };
    for (const Case& c : cases) {
        r->setValue(c.key, c.in);
        EXPECT_EQ(r->valueForInputKey(c.key), c.out) << c.key << " " << c.in.toString().toStdString();
    }
}

TEST_F(RendererTest, OnlyCompositionsRenderedThisFrameAreDrawn) {
    auto r = CompositionRenderer::create(*scene, data("alle_typer.qtz"));
    ASSERT_TRUE(r);
    r->setValue("Fill", QColor(0, 255, 0));
    r->renderAtTime(0);
    ASSERT_TRUE(scene->finishFrame());
    QImage img = scene->image();
    ASSERT_EQ(img.size(), QSize(64, 48));
    // The box fills the top-left quarter.
    EXPECT_EQ(QColor(img.pixel(28, 20)), QColor(0, 255, 0));
    EXPECT_EQ(qAlpha(img.pixel(60, 44)), 0);

    r->setValue("Show", 0.0);
    r->renderAtTime(0.04);
    ASSERT_TRUE(scene->finishFrame());
    EXPECT_EQ(qAlpha(scene->image().pixel(28, 20)), 0);

    r->setValue("Show", 1.0);
    ASSERT_TRUE(scene->finishFrame()); // not rendered in this frame
    EXPECT_EQ(qAlpha(scene->image().pixel(28, 20)), 0);
}

} // namespace
