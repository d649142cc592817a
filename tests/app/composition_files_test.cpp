// What the user is told about composition files and the images they name:
// each fault in its own words, naming the file, and each only once.
#include "app/CompositionRenderer.h"
#include "app/CompositionScene.h"
#include "app/InputImageProvider.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace tarnvik;

namespace {

class CompositionFilesTest : public testing::Test {
protected:
    void SetUp() override {
        scene = CompositionScene::create(QSize(64, 48));
        ASSERT_TRUE(scene) << "no OpenGL: run under xvfb-run";
        scene->setReporter([this](const QString& text) { reports << text; });
    }
    QString write(const char* name, const QByteArray& bytes) {
        QFile f(dir.filePath(name));
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
        return f.fileName();
    }
    QTemporaryDir dir;
    std::unique_ptr<CompositionScene> scene;
    QStringList reports;
};

TEST_F(CompositionFilesTest, EachFaultOfAFileHasItsOwnMessage) {
    ASSERT_TRUE(QDir(dir.path()).mkdir("Mappe.qtz"));
    const struct {
        QString path;
        const char* says;
    } cases[] = {
        {dir.filePath("Mangler.qtz"), "no such file"},
        {dir.filePath("Mappe.qtz"), "it is a folder, not a composition file"},
        {write("Kvartz.qtz", QByteArray("bplist00\xd4\x01\x02\0\0", 13)), "not a QML document but a binary property list"},
        {write("Tekst.qtz", "Dette er ingen komposisjon.\n"), "it is not a QML document"},
        {write("Tom.qtz", "  \n"), "it is empty"},
        {write("Feil.qtz", "import QtQuick\nQtObject { property var x: [ }\n"), "Feil.qtz:2"},
    };
    for (const auto& c : cases) {
        reports.clear();
        EXPECT_FALSE(CompositionRenderer::create(*scene, c.path));
        ASSERT_EQ(reports.size(), 1) << c.says;
        EXPECT_TRUE(reports[0].startsWith(QStringLiteral("Cannot load composition file \"%1\": ").arg(c.path)) &&
                    reports[0].contains(c.says))
            << reports[0].toStdString();
    }
    EXPECT_FALSE(CompositionRenderer::create(*scene, dir.filePath("Mangler.qtz")));
    EXPECT_EQ(reports.size(), 1); // the same fault again is not news
}

TEST_F(CompositionFilesTest, AnImageThatCannotBeReadIsReportedOnceAndChangesNothing) {
    // The default names a file beside the document that is not there.
    const QString path = write("Logo.qtz", R"(import QtQuick
QtObject {
    property var publishedInputs: [ { key: "Logo", type: "image", value: "Logo.png" } ]
    property Component scene: Item { Image { source: inputs.Logo } }
})");
    for (int reload = 0; reload < 3; ++reload) ASSERT_TRUE(CompositionRenderer::create(*scene, path));
    ASSERT_EQ(reports.size(), 1);
    EXPECT_TRUE(reports[0].contains(dir.filePath("Logo.png")) && reports[0].contains(path)) << reports[0].toStdString();

    auto r = CompositionRenderer::create(*scene, path);
    QImage red(8, 4, QImage::Format_ARGB32);
    red.fill(Qt::red);
    ASSERT_TRUE(red.save(dir.filePath("Rod.png")));
    r->setValue("Logo", QStringLiteral("Rod.png")); // as a settings file may name it
    EXPECT_EQ(r->valueForInputKey("Logo").value<QImage>().size(), QSize(8, 4));
    write("Skadet.png", "\x89PNG\r\n\x1a\n but no picture");
    for (int frame = 0; frame < 3; ++frame) {
        r->setValue("Logo", dir.filePath("Skadet.png"));
        r->renderAtTime(frame * 0.04);
        ASSERT_TRUE(scene->finishFrame());
    }
    EXPECT_EQ(reports.size(), 2);
    EXPECT_TRUE(reports.last().contains("Skadet.png")) << reports.last().toStdString();
    EXPECT_EQ(r->valueForInputKey("Logo").value<QImage>().size(), QSize(8, 4));
}

TEST(InputImageProviderTest, ARendererThatGoesTakesItsImagesAlong) {
    InputImageProvider images;
    QImage blue(2, 2, QImage::Format_ARGB32);
    blue.fill(Qt::blue);
    const QString url = images.publish("1/Logo", blue);
    images.publish("1/Back", blue);
    images.publish("12/Logo", blue);
    QSize size;
    EXPECT_EQ(images.requestImage(url.mid(QString("image://inputs/").size()), &size, {}), blue);
    images.forget("1"); // every reload makes new renderers: the old ones' images must not stay
    EXPECT_EQ(images.count(), 1);
}

} // namespace
