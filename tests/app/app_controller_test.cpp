// The window shell: start-up with the layer stack and its panel, settings
// kept by composition name, the render size and the view that shows it
// scaled, the render loop and the overlay feed.
#include "app/AppController.h"
#include "app/RenderView.h"
#include "params/RenderParametersView.h"
#include "render/CompositionRenderer.h"
#include "render/CompositionScene.h"
#include "render/LayerStack.h"
#include "render/Plist.h"
#include "render/UserDefaults.h"
#include "tests/app/wait_for.h"
#include "tools/loopback.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QGroupBox>
#include <QImage>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenu>
#include <QScreen>
#include <QTemporaryDir>
#include <QTimer>
#include <QToolButton>
#include <gtest/gtest.h>

#include <cmath>
#include <functional>

using namespace tarnvik;
using tarnvik::test::waitFor;

namespace {

AppOptions quiet(const QString& settings) {
    AppOptions o;
    o.decoderArguments.clear(); // no decoder thread
    o.settingsPath = settings;
    return o;
}

class ControllerTest : public testing::Test {
protected:
    void SetUp() override { qputenv("TARNVIK_COMPOSITIONS", COMPOSITIONS_DIR); }
    QTemporaryDir dir;
    QString settings() const { return dir.filePath("Tarnvik.plist"); }
};

TEST_F(ControllerTest, StartsWithTheStackAndSavesSettingsAtTheEnd) {
    {
        AppController c(quiet(settings()));
        c.applicationDidFinishLaunching();
        ASSERT_TRUE(c.scene());
        const LayerStack& layers = *c.layers();
        ASSERT_EQ(layers.count(), 6u);
        ASSERT_EQ(c.settingsView()->count(), 6u);
        const char* order[] = {"Video", "InfoBox", "Position", "DateTime", "Logo", "Compas"};
        for (size_t i = 0; i < 6; ++i) EXPECT_EQ(c.settingsView()->box(i)->title(), order[i]);
        EXPECT_EQ(c.renderPosition(), layers.renderer(2));
        EXPECT_EQ(c.renderCompass(), layers.renderer(5));
        EXPECT_EQ(c.renderView()->size(), QSize(720, 576));
        EXPECT_EQ(c.scene()->size(), QSize(720, 576));
        EXPECT_EQ(c.widthField()->text(), "720");
        EXPECT_EQ(c.heightField()->text(), "576");
        ASSERT_TRUE(c.renderTimer());
        EXPECT_EQ(c.renderTimer()->interval(), 40);
        EXPECT_TRUE(c.parametersPanel()->isVisible());
        EXPECT_TRUE(waitFor([&] { return c.framesRendered() >= 2; }, 5000));
        // First run: the compositions' own defaults.
        EXPECT_EQ(layers.renderer(1)->valueForInputKey("Vessel"), QVariant(QString("M/S Tarnvik")));

        layers.renderer(1)->setValue("Vessel", QString("R/V Kvitbjørn"));
        EXPECT_TRUE(c.applicationWillTerminate());
        EXPECT_FALSE(c.renderTimer());
    }
    ASSERT_TRUE(QFile::exists(settings()));
    AppController again(quiet(settings()));
    again.applicationDidFinishLaunching();
    EXPECT_EQ(again.layers()->renderer("InfoBox")->valueForInputKey("Vessel"), QVariant(QString("R/V Kvitbjørn")));
}

TEST_F(ControllerTest, TypedSizesResizeTheViewExactly) {
    AppController c(quiet(settings()));
    c.applicationDidFinishLaunching();
    QList<QSize> announced;
    QObject::connect(&c, &AppController::renderSizeChanged, [&](QSize s) { announced << s; });
    CompositionRenderer* before = c.renderPosition();
    c.widthField()->setText("720"); // the size it has: nothing happens
    emit c.widthField()->editingFinished();
    EXPECT_EQ(c.renderPosition(), before);

    c.widthField()->setText("640");
    emit c.widthField()->editingFinished();
    c.heightField()->setText("360");
    emit c.heightField()->editingFinished();
    EXPECT_EQ(c.renderView()->size(), QSize(640, 360));
    EXPECT_EQ(c.scene()->size(), QSize(640, 360));
    EXPECT_EQ(c.widthField()->text(), "640");
    EXPECT_EQ(c.heightField()->text(), "360");
    EXPECT_EQ(c.layers()->count(), 6u);
    EXPECT_EQ(announced, (QList<QSize>{{640, 576}, {640, 360}}));

    // The menu beside the fields.
    const QList<QAction*> typical = c.sizeMenu()->menu()->actions();
    ASSERT_EQ(typical.size(), 4);
    EXPECT_EQ(typical[1]->text(), QString::fromUtf8("1280×720"));
    typical[1]->trigger();
    EXPECT_EQ(c.renderSize(), QSize(1280, 720));
    EXPECT_EQ(c.renderView()->size(), QSize(1280, 720));
    EXPECT_EQ(c.widthField()->text(), "1280");
}

TEST_F(ControllerTest, RefusedSizesSayWhyAndPutTheFieldsBack) {
    AppController c(quiet(settings()));
    c.applicationDidFinishLaunching();
    const struct {
        QLineEdit* field;
        const char* typed;
        const char* says;
    } cases[] = {
        {c.heightField(), "15", "The render size cannot be 720×15: it must be at least 16×16."},
        {c.widthField(), "17", "The render size cannot be 17×576: the encoders need an even width and height."},
        {c.widthField(), "721", "The render size cannot be 721×576: the encoders need an even width and height."},
        {c.widthField(), "9000", "The render size cannot be 9000×576: the encoders take at most 8192×8192."},
    };
    CompositionRenderer* before = c.renderPosition();
    for (const auto& k : cases) {
        k.field->setText(k.typed);
        emit k.field->editingFinished();
        EXPECT_EQ(c.notices().posted().last().toStdString(), k.says);
        EXPECT_EQ(c.widthField()->text(), "720");
        EXPECT_EQ(c.heightField()->text(), "576");
    }
    EXPECT_EQ(c.notices().posted().size(), 4);
    EXPECT_EQ(c.renderPosition(), before);
    EXPECT_EQ(c.scene()->size(), QSize(720, 576));
}

// Was: a drag resized the render size and rebuilt the layers for it.
TEST_F(ControllerTest, DraggingTheWindowScalesThePictureAndChangesNothingElse) {
    AppController c(quiet(settings()));
    c.applicationDidFinishLaunching();
    CompositionRenderer* before = c.renderPosition();
    for (QSize by : {QSize(200, 100), QSize(-300, -200)}) {
        c.mainWindow()->resize(c.mainWindow()->size() + by);
        ASSERT_TRUE(waitFor([&] { return c.renderView()->size() != QSize(720, 576); }, 2000));
        const int frames = c.framesRendered();
        c.renderTick();
        EXPECT_EQ(c.framesRendered(), frames + 1);
        EXPECT_EQ(c.renderPosition(), before);
        EXPECT_EQ(c.scene()->size(), QSize(720, 576));
        EXPECT_EQ(c.widthField()->text(), "720");
        // As large as the view allows, the aspect kept, in the middle.
        const QRect shown = c.renderView()->pictureRect();
        EXPECT_TRUE(shown.width() == c.renderView()->width() || shown.height() == c.renderView()->height());
        EXPECT_NEAR(double(shown.width()) / shown.height(), 720.0 / 576, 0.01);
        EXPECT_EQ(shown.center(), c.renderView()->rect().center());
    }
    // Typed again, it is shown pixel for pixel again.
    EXPECT_TRUE(c.setRenderSize({720, 576}));
    EXPECT_EQ(c.renderView()->size(), QSize(720, 576));
}

TEST_F(ControllerTest, ASizeLargerThanTheScreenIsShownScaledAndSnapshotsKeepIt) {
    AppOptions o = quiet(settings());
    o.desktopFolder = dir.filePath("Desktop");
    AppController c(o);
    c.applicationDidFinishLaunching();
    ASSERT_TRUE(c.setRenderSize({3840, 2160}));
    const QRect screen = c.mainWindow()->screen()->availableGeometry();
    EXPECT_TRUE(screen.contains(c.mainWindow()->frameGeometry()));
    EXPECT_LT(c.renderView()->width(), 3840);
    EXPECT_EQ(c.scene()->size(), QSize(3840, 2160));
    EXPECT_NEAR(double(c.renderView()->pictureRect().width()) / c.renderView()->pictureRect().height(), 16.0 / 9, 0.01);
    c.renderTick();
    ASSERT_TRUE(c.screenShoot());
    const QStringList files = QDir(dir.filePath("Desktop")).entryList({"Tarnvik Snapshot (*).png"});
    ASSERT_EQ(files.size(), 1);
    EXPECT_EQ(QImage(dir.filePath("Desktop/" + files[0])).size(), QSize(3840, 2160));
}

TEST_F(ControllerTest, TheRenderSizeIsKeptAndTheCommandLineWins) {
    {
        AppController c(quiet(settings()));
        c.applicationDidFinishLaunching();
        ASSERT_TRUE(c.setRenderSize({1280, 720}));
        ASSERT_TRUE(c.applicationWillTerminate());
    }
    {
        AppController c(quiet(settings()));
        c.applicationDidFinishLaunching();
        EXPECT_EQ(c.scene()->size(), QSize(1280, 720));
        EXPECT_EQ(c.heightField()->text(), "720");
    }
    {
        AppOptions o = quiet(settings());
        o.renderSize = QSize(640, 360); // --size
        AppController c(o);
        c.applicationDidFinishLaunching();
        EXPECT_EQ(c.renderSize(), QSize(640, 360));
    }
    // A kept size that cannot be used: said, and the default instead.
    UserDefaults kept(settings());
    kept.setValue("RenderSize", QVariantMap{{"Width", 721}, {"Height", 576}});
    ASSERT_TRUE(kept.synchronize());
    AppController c(quiet(settings()));
    c.applicationDidFinishLaunching();
    EXPECT_EQ(c.renderSize(), QSize(720, 576));
    EXPECT_EQ(c.notices().posted().value(0).toStdString(),
              "The saved render size 721×576 cannot be used: the encoders need an even width and height. Using "
              "720×576.");
}

TEST_F(ControllerTest, RenderTimeStartsAtZeroWithEveryRate) {
    AppController c(quiet(settings()));
    c.applicationDidFinishLaunching();
    double now = 1000.0;
    c.setClock([&] { return now; });
    c.setTimerFramerate(25);
    c.renderTick();
    EXPECT_EQ(c.lastRenderTime(), 0.0);
    now = 1002.5;
    c.renderTick();
    EXPECT_EQ(c.lastRenderTime(), 2.5);
    c.setTimerFramerate(30);
    EXPECT_EQ(c.renderTimer()->interval(), 33);
    now = 1010;
    c.renderTick();
    EXPECT_EQ(c.lastRenderTime(), 0.0);
    EXPECT_EQ(c.findChildren<QTimer*>().size(), 2); // the info timer and one render timer
    c.setTimerFramerate(std::nan(""));
    EXPECT_FALSE(c.renderTimer());
}

TEST_F(ControllerTest, DatagramsReachTheOverlayWithinASecond) {
    const int port = loopback::ledig_port();
    loopback::Sender out(port);
    AppOptions o = quiet(settings());
    o.decoderArguments = {QString("-u%1").arg(port)};
    AppController c(o);
    c.applicationDidFinishLaunching();
    auto latitude = [&] { return c.renderPosition()->valueForInputKey("HIDDEN_latitude").toString(); };
    auto heading = [&] { return c.renderCompass()->valueForInputKey("HIDDEN_heading").toDouble(); };
    EXPECT_TRUE(latitude().isEmpty() || waitFor([&] { return latitude().isEmpty(); }, 1000));

    // A fix at 60°25.1234'N 5°19.5678'E, heading 88°, and a north-oriented
    // report 40 m east and 25 m north of the vessel.
    std::vector<std::string> lines = {
        "$GPGGA,120000.00,6025.1234,N,00519.5678,E,1,10,0.8,12.3,M,45.6,M,,*55\r\n",
        "$HEHDT,88.0,T*1F\r\n",
        "$PSIMSSB,120000.00,B33,A,,C,N,M,40.0,25.0,50.0,,N,,*7D\r\n",
    };
    QElapsedTimer sent;
    // The receiving thread may still be starting: send until it answers.
    ASSERT_TRUE(waitFor([&] {
        for (const std::string& l : lines) out.send(l);
        sent.start();
        return waitFor([&] { return !latitude().isEmpty(); }, 400);
    }, 5000));
    EXPECT_LT(sent.elapsed(), 1000);
    EXPECT_TRUE(waitFor([&] { return std::abs(heading() - 88.0) < 1e-3; }, 1000));
    const QString lat = latitude();
    EXPECT_TRUE(lat.startsWith(QString::fromUtf8(" 60°25.1")) && lat.endsWith(" N")) << lat.toStdString();
    const QString lon = c.renderPosition()->valueForInputKey("HIDDEN_longitude").toString();
    EXPECT_TRUE(lon.startsWith(QString::fromUtf8("  5°19.")) && lon.endsWith(" E")) << lon.toStdString();
}

// A reset value shows in the window, and the file as it was is kept.
TEST_F(ControllerTest, StoredValuesThatCannotBeUsedGiveANoticeAndAKeptCopy) {
    const QVariantMap infoBox{{"Opacity", std::nan("")}, {"FontSize", QString("big")}, {"Vessel", QString("R/V Test")}};
    const QByteArray original =
        plist::write(QVariantMap{{"settings", QVariantMap{{"InfoBox", infoBox}, {"Logo", QString("damaged")}}}});
    {
        QFile f(settings());
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(original);
    }
    {
        AppController c(quiet(settings()));
        c.applicationDidFinishLaunching();
        ASSERT_EQ(c.notices().posted().size(), 1);
        const QString notice = c.notices().posted()[0];
        EXPECT_TRUE(notice.contains("InfoBox, Opacity: stored nan, using 1")) << notice.toStdString();
        EXPECT_TRUE(notice.contains("InfoBox, Font size: stored \"big\", using 18")) << notice.toStdString();
        EXPECT_TRUE(notice.contains("Logo: stored \"damaged\" instead of its values, using its defaults"));
        EXPECT_TRUE(c.notices().bar());
        EXPECT_EQ(c.layers()->renderer("InfoBox")->valueForInputKey("Vessel"), QVariant(QString("R/V Test")));
        const QStringList kept = QDir(dir.path()).entryList({"Tarnvik.plist.damaged-*"}, QDir::Files);
        ASSERT_EQ(kept.size(), 1);
        EXPECT_TRUE(notice.contains(dir.filePath(kept[0])));
        QFile k(dir.filePath(kept[0]));
        ASSERT_TRUE(k.open(QIODevice::ReadOnly));
        EXPECT_EQ(k.readAll(), original);
        EXPECT_TRUE(c.applicationWillTerminate());
    }
    AppController again(quiet(settings()));
    again.applicationDidFinishLaunching();
    EXPECT_TRUE(again.notices().posted().isEmpty());
    EXPECT_EQ(again.layers()->renderer("InfoBox")->valueForInputKey("Vessel"), QVariant(QString("R/V Test")));
}

} // namespace
