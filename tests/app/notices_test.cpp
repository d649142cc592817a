#include "app/AppController.h"
#include "app/RenderView.h"
#include "tests/app/wait_for.h"

#include <QMainWindow>
#include <QMessageBox>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace tarnvik;

namespace {

AppOptions quietIn(const QTemporaryDir& dir, int frames) {
    AppOptions o;
    o.decoderArguments.clear();
    o.settingsPath = dir.filePath("Tarnvik.plist");
    o.frames = frames;
    return o;
}

TEST(Notices, ShowOverThePictureWithoutResizingItAndAlertsOpenADialog) {
    qputenv("TARNVIK_COMPOSITIONS", COMPOSITIONS_DIR);
    QTemporaryDir dir;
    AppController c(quietIn(dir, 0));
    c.applicationDidFinishLaunching();
    const QSize before = c.renderView()->size();
    c.notices().post("Two values were reset");
    ASSERT_TRUE(c.notices().bar());
    EXPECT_TRUE(c.notices().bar()->isVisible());
    EXPECT_EQ(c.notices().bar()->width(), before.width());
    EXPECT_FALSE(c.notices().openAlert());
    c.notices().post("Recording stopped: the disk is full", NoticeLevel::Alert);
    ASSERT_TRUE(c.notices().openAlert());
    EXPECT_EQ(c.notices().openAlert()->text(), "Recording stopped: the disk is full");
    // Rendering goes on while the dialog is open.
    const int frames = c.framesRendered();
    EXPECT_TRUE(tarnvik::test::waitFor([&] { return c.framesRendered() > frames + 1; }, 3000));
    EXPECT_EQ(c.renderView()->size(), before);
    EXPECT_EQ(c.notices().posted(), QStringList({"Two values were reset", "Recording stopped: the disk is full"}));
}

TEST(Notices, HeadlessRunsOnlyLog) {
    qputenv("TARNVIK_COMPOSITIONS", COMPOSITIONS_DIR);
    QTemporaryDir dir;
    AppController c(quietIn(dir, 1000));
    c.applicationDidFinishLaunching();
    c.notices().post("Recording stopped", NoticeLevel::Alert);
    EXPECT_FALSE(c.notices().bar());
    EXPECT_FALSE(c.notices().openAlert());
    EXPECT_EQ(c.notices().posted().size(), 1);
}

} // namespace
