// The layer stack on its own: layers in order, values by composition name
// through the settings file, a reload at another size, and a layer that
// cannot be loaded.
#include "render/CompositionRenderer.h"
#include "render/CompositionScene.h"
#include "render/LayerStack.h"
#include "render/NavigationFeed.h"
#include "render/StorageForms.h"
#include "render/UserDefaults.h"

#include <QColor>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace tarnvik;

namespace {

class LayerStackTest : public testing::Test {
protected:
    void SetUp() override {
        scene = CompositionScene::create(QSize(64, 48));
        ASSERT_TRUE(scene) << "no OpenGL: run under xvfb-run";
        scene->setReporter([this](const QString& text) { reports << text; });
    }
    // The settings as the file gives them back.
    QVariantMap throughTheFile(const QVariantMap& settings) {
        const QString path = dir.filePath("Tarnvik.plist");
        UserDefaults out(path);
        out.setValue("settings", settings);
        EXPECT_TRUE(out.synchronize());
        return UserDefaults(path).value("settings").toMap();
    }
    std::unique_ptr<CompositionScene> scene;
    QStringList reports;
    QTemporaryDir dir;
};

TEST_F(LayerStackTest, ValuesGoByNameThroughTheFileAndALayerThatFailsKeepsItsOwn) {
    LayerStack stack({"Position", "Gone", "Compas"}, COMPOSITIONS_DIR);
    stack.load(scene.get());
    ASSERT_EQ(stack.count(), 2u);
    EXPECT_EQ(stack.name(0), "Position");
    EXPECT_EQ(stack.name(1), "Compas");
    EXPECT_FALSE(stack.renderer("Gone"));
    ASSERT_EQ(reports.size(), 1);
    EXPECT_TRUE(reports[0].contains("Gone.qtz")) << reports[0].toStdString();

    const QVariantMap stored{
        {"Position", QVariantMap{{"Title", "AUV"}, {"TextColor", "R=1 G=0.5 B=0 A=1"}}},
        {"Compas", QVariantMap{{"Size", 0.5}, {"ShowNumber", 0.0}}},
        {"Gone", QVariantMap{{"Show", 0.0}}},
        {"Elsewhere", "not ours"},
    };
    EXPECT_TRUE(stack.setValues(throughTheFile(stored)).isEmpty());
    EXPECT_EQ(stack.renderer("Position")->valueForInputKey("TextColor").value<QColor>(),
              QColor::fromRgbF(1, 0.5, 0, 1));

    const QVariantMap saved = throughTheFile(stack.values(true));
    EXPECT_EQ(saved["Gone"], stored["Gone"]);
    EXPECT_EQ(saved["Elsewhere"], stored["Elsewhere"]);
    for (const char* layer : {"Position", "Compas"}) {
        const QVariantMap was = stored[layer].toMap(), now = saved[layer].toMap();
        for (auto it = was.begin(); it != was.end(); ++it)
            EXPECT_EQ(now[it.key()], *it) << layer << " " << it.key().toStdString();
        EXPECT_TRUE(now.contains("Show")) << layer; // the defaults are kept too
        EXPECT_FALSE(now.contains("HIDDEN_heading") || now.contains("HIDDEN_latitude")) << layer;
    }

    // Without a scene nothing loads, and nothing stored is lost.
    LayerStack none;
    none.load(nullptr);
    none.setValues(stored);
    EXPECT_EQ(none.values(true), stored);
}

TEST_F(LayerStackTest, AReloadKeepsTheValuesAndTheFeedReachesTheNewRenderers) {
    for (const char* name : {"Position.qtz", "Compas.qtz"})
        ASSERT_TRUE(QFile::copy(QDir(COMPOSITIONS_DIR).filePath(name), dir.filePath(name)));
    LayerStack stack({"Position", "Gone", "Compas"}, dir.path());
    int unloading = 0, loaded = 0;
    QObject::connect(&stack, &LayerStack::unloading, [&] { ++unloading; });
    QObject::connect(&stack, &LayerStack::loaded, [&] { ++loaded; });
    stack.load(scene.get());
    stack.setValues({{"Gone", QVariantMap{{"Show", 0.0}}}});
    stack.renderer("Position")->setValue("Title", "AUV");
    stack.renderer("Compas")->setValue("RoseColor", QColor(1, 2, 3, 4));
    const QVariantMap before = stack.values(false);

    stack.reload(QSize(80, 40));
    EXPECT_EQ(scene->size(), QSize(80, 40));
    EXPECT_EQ(std::make_pair(unloading, loaded), std::make_pair(2, 2));
    ASSERT_EQ(stack.count(), 2u);
    EXPECT_EQ(stack.values(false), before);

    stack.showNavigation(fixedOverlay(" 60°25.1234 N", "  5°19.5678 E", 88.0));
    EXPECT_EQ(stack.renderer("Position")->valueForInputKey("HIDDEN_latitude"), QString(" 60°25.1234 N"));
    EXPECT_EQ(stack.renderer("Compas")->valueForInputKey("HIDDEN_heading"), 88.0);
    stack.renderAtTime(0.5);
    EXPECT_TRUE(scene->finishFrame());

    // A layer whose file is gone at a reload keeps its values, as the file keeps them.
    ASSERT_TRUE(QFile::remove(dir.filePath("Compas.qtz")));
    stack.reload(QSize(64, 48));
    EXPECT_EQ(stack.count(), 1u);
    EXPECT_EQ(throughTheFile(stack.values(true))["Compas"].toMap()["RoseColor"], colorToStorage(QColor(1, 2, 3, 4)));
}

} // namespace
