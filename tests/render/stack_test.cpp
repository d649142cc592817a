// The six compositions together: each loads, and each layer draws where it
// belongs (a pixel probe changes when the layer is hidden, and a probe far
// away does not).
#include "render/CompositionRenderer.h"
#include "render/CompositionScene.h"
#include "render/Compositions.h"
#include "render/LayerStack.h"
#include "render/NavigationFeed.h"

#include <QImage>
#include <gtest/gtest.h>

#include <memory>

using namespace tarnvik;

namespace {

class StackTest : public testing::Test {
protected:
    void SetUp() override {
        qputenv("TARNVIK_COMPOSITIONS", COMPOSITIONS_DIR);
        scene = CompositionScene::create(QSize(720, 576));
        ASSERT_TRUE(scene) << "no OpenGL: run under xvfb-run";
        stack.load(scene.get());
        ASSERT_EQ(stack.count(), 6u);
        stack.showNavigation(fixedOverlay(" 59°54.1234 N", " 10°43.5678 E", 90.0));
    }
    CompositionRenderer* layer(const char* name) { return stack.renderer(QString(name)); }
    QImage frame() {
        for (int i = 0; i < 2; ++i) { // items that paint late show in the next frame
            stack.renderAtTime(1.0);
            EXPECT_TRUE(scene->finishFrame());
        }
        return scene->image();
    }
    std::unique_ptr<CompositionScene> scene;
    LayerStack stack;
};

TEST_F(StackTest, EveryLayerDrawsInItsPlace) {
    for (const QString& name : compositionNames())
        EXPECT_TRUE(stack.renderer(name)->inputKeys().contains("Show")) << name.toStdString();
    EXPECT_TRUE(layer("Position")->inputKeys().contains("HIDDEN_latitude"));
    EXPECT_TRUE(layer("Position")->inputKeys().contains("HIDDEN_longitude"));
    EXPECT_TRUE(layer("Compas")->inputKeys().contains("HIDDEN_heading"));

    const QImage all = frame();
    // The picture underneath is opaque everywhere.
    EXPECT_EQ(qAlpha(all.pixel(360, 300)), 255);
    EXPECT_EQ(qAlpha(all.pixel(2, 573)), 255);

    struct Probe {
        const char* layer;
        QPoint inside; // changes when the layer goes
    } probes[] = {
        {"InfoBox", {40, 40}},   // top left
        {"DateTime", {600, 43}}, // top right
        {"Position", {50, 520}}, // bottom left
        {"Logo", {640, 535}},    // bottom right
        {"Compas", {634, 358}},  // right, above the logo
    };
    const QPoint elsewhere(360, 420); // under no overlay
    for (const Probe& p : probes) {
        layer(p.layer)->setValue("Show", 0.0);
        const QImage without = frame();
        layer(p.layer)->setValue("Show", 1.0);
        EXPECT_NE(all.pixel(p.inside), without.pixel(p.inside)) << p.layer;
        EXPECT_EQ(all.pixel(elsewhere), without.pixel(elsewhere)) << p.layer;
    }
    layer("Video")->setValue("Show", 0.0);
    layer("Video")->setValue("Background", QColor(1, 2, 3));
    EXPECT_EQ(QColor(frame().pixel(elsewhere)), QColor(1, 2, 3));
}

TEST_F(StackTest, CompassTurnsWithTheHeading) {
    // The red north needle points up at heading 0 and to the left at 90.
    auto redness = [](QRgb c) { return qRed(c) - (qGreen(c) + qBlue(c)) / 2; };
    layer("Video")->setValue("Show", 0.0);
    layer("Compas")->setValue("HIDDEN_heading", 0.0);
    QImage north = frame();
    layer("Compas")->setValue("HIDDEN_heading", 90.0);
    QImage east = frame();
    const int cx = static_cast<int>(0.88 * 720), cy = static_cast<int>(0.62 * 576);
    const QPoint up(cx, cy - 40), left(cx - 40, cy);
    EXPECT_GT(redness(north.pixel(up)), 100);
    EXPECT_LT(redness(north.pixel(left)), 50);
    EXPECT_GT(redness(east.pixel(left)), 100);
    EXPECT_LT(redness(east.pixel(up)), 50);
}

} // namespace

namespace {

TEST_F(StackTest, TheLayersChooseTheFeedAndAStaleValueLooksStale) {
    const FeedSettings defaults = stack.feedSettings();
    EXPECT_EQ(std::make_pair(defaults.positionTimeout, defaults.headingTimeout), std::make_pair(5.0, 3.0));
    EXPECT_TRUE(defaults.format == PositionFormat::DegreesMinutes && !defaults.swapXY && defaults.streamClock);
    layer("Position")->setValue("Format", 3);
    layer("Position")->setValue("SwapXY", true);
    layer("Position")->setValue("Depth", 2);
    layer("Position")->setValue("StaleAfter", 8);
    layer("Compas")->setValue("StaleAfter", 2);
    layer("DateTime")->setValue("Clock", 1);
    const FeedSettings chosen = stack.feedSettings();
    EXPECT_TRUE(chosen.format == PositionFormat::Utm && chosen.swapXY && chosen.depth == DepthShown::RovSensor);
    EXPECT_EQ(std::make_pair(chosen.positionTimeout, chosen.headingTimeout), std::make_pair(8.0, 2.0));
    EXPECT_FALSE(chosen.streamClock);

    // Where the position's lines and the compass's number are drawn.
    const QRect position(20, 480, 200, 70), heading(560, 430, 140, 30);
    OverlayValues v = fixedOverlay(" 59°54.1234 N", " 10°43.5678 E", 90.0);
    const QImage fresh = frame();
    v.positionStale = v.headingStale = true;
    v.positionAgeText = v.headingAgeText = "12 s";
    stack.showNavigation(v);
    const QImage stale = frame();
    v.headingKnown = false;
    v.latitude = v.longitude = QString();
    stack.showNavigation(v);
    const QImage none = frame();
    EXPECT_NE(fresh.copy(position), stale.copy(position));
    EXPECT_NE(fresh.copy(heading), stale.copy(heading));
    EXPECT_NE(stale.copy(position), none.copy(position));
    EXPECT_NE(stale.copy(heading), none.copy(heading));
}

} // namespace
