// The whole tarnvik program: its command line without a display, layers
// whose scripts never end, and quitting (by signal or File ▸ Quit) with the
// settings saved.
#include "app/AppController.h"
#include "render/UserDefaults.h"
#include "tests/export/stream_receiver.h"
#include "tools/loopback.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>
#include <gtest/gtest.h>

#include <algorithm>

using namespace tarnvik;

namespace {

// Loads, then hangs once rendering has gone on for a moment.
const char* kHangsLater = R"(import QtQuick
QtObject {
    property var publishedInputs: [ { key: "Show", type: "boolean", value: true } ]
    property Component scene: Item {
        Text { text: { if (renderTime > 0.2) { console.log("hanging now"); while (true) {} } return "" + renderTime } }
    }
})";
const char* kHangsWhileLoading = "import QtQuick\nQtObject { property var publishedInputs: { while (true) {} } }";

class ProgramTest : public testing::Test {
protected:
    // The pictures have come, or the viewer has given up.
    static bool waitForViewer(const test::StreamReceiver& viewer, std::size_t pictures) {
        QElapsedTimer t;
        t.start();
        while (viewer.count() < pictures && !viewer.done() && t.elapsed() < 10000) QThread::yieldCurrentThread();
        return viewer.count() >= pictures;
    }
    // The six compositions, some replaced; then the program's arguments.
    QStringList arguments(const QMap<QString, const char*>& replaced, const QStringList& more) {
        const QString comp = dir.filePath("comp");
        QDir().mkpath(comp);
        for (const QString& f : QDir(COMPOSITIONS_DIR).entryList(QDir::Files))
            QFile::copy(QDir(COMPOSITIONS_DIR).filePath(f), comp + "/" + f);
        for (auto it = replaced.begin(); it != replaced.end(); ++it) {
            QFile f(comp + "/" + it.key() + ".qtz");
            EXPECT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
            f.write(it.value());
        }
        return QStringList{"--compositions", comp, "--settings", settings()} + more +
               QStringList{"--", QString("-u%1").arg(loopback::ledig_port())};
    }
    QString settings() const { return dir.filePath("Tarnvik.plist"); }
    QTemporaryDir dir;
    QProcess p;
};

TEST_F(ProgramTest, CommandLineAnswersWithoutADisplay) {
    QDir().mkpath(dir.filePath("tom"));
    const struct {
        QStringList args;
        int status;
        const char* says; // on standard output for 0, else on standard error
    } cases[] = {
        {{"--help"}, 0, "Usage: tarnvik [options]"},
        {{"--version"}, 0, "tarnvik 0."},
        {{"--size", "abc"}, 2, "tarnvik: --size must be WIDTHxHEIGHT"},
        {{"--size", "721x576"},
         2,
         "tarnvik: --size 721x576 cannot be used: the encoders need an even width and height"},
        {{"--stream", "udp://127.0.0.1:5000", "--virtual-camera"}, 2, "cannot both be used"},
        {{"--script-limit", "never"}, 2, "tarnvik: --script-limit must be a number of seconds"},
        {{"--split", "0.5"}, 2, "tarnvik: --split must be a number of seconds from 1 to 86400"},
        {{"--values-to", ""}, 2, "tarnvik: --values-to needs a file"},
        {{"--compositions", dir.filePath("borte")}, 2, "does not exist"},
        {{"--compositions", dir.filePath("tom")}, 2, "holds none of the compositions (Video.qtz, "},
        {{}, 2, "tarnvik: no display"},
    };
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM", "TARNVIK_COMPOSITIONS"}) env.remove(name);
    p.setProcessEnvironment(env);
    for (const auto& c : cases) {
        p.start(TARNVIK_BIN, c.args);
        ASSERT_TRUE(p.waitForFinished(20000)) << c.says;
        EXPECT_EQ(p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1, c.status) << c.says;
        const QString said = c.status == 0 ? p.readAllStandardOutput() : p.readAllStandardError();
        EXPECT_TRUE(said.contains(c.says)) << said.toStdString();
    }
}

TEST_F(ProgramTest, LayersWhoseScriptsNeverEndAreLeftOutAndTheOthersRender) {
    const QStringList args = arguments({{"InfoBox", kHangsWhileLoading}, {"DateTime", kHangsLater}},
                                       {"--script-limit", "0.5", "--frames", "30", "--snapshot-to", dir.filePath("last.png")});
    UserDefaults before(settings());
    before.setValue("settings", QVariantMap{{"InfoBox", QVariantMap{{"Vessel", "R/V Kvitbjørn"}}}});
    ASSERT_TRUE(before.synchronize());
    p.start(TARNVIK_BIN, args);
    ASSERT_TRUE(p.waitForFinished(60000));
    const QString err = p.readAllStandardError();
    EXPECT_EQ(p.exitCode(), 0) << err.toStdString();
    const QString comp = args[1];
    EXPECT_TRUE(err.contains(QString("Cannot load composition file \"%1/InfoBox.qtz\": its script ran for more "
                                     "than 0.5 s and was stopped").arg(comp)))
        << err.toStdString();
    EXPECT_TRUE(err.contains(QString("The script of composition file \"%1/DateTime.qtz\" ran for more than 0.5 s "
                                     "and was stopped; the layer is left out").arg(comp)));
    const QImage last(dir.filePath("last.png"));
    ASSERT_FALSE(last.isNull());
    EXPECT_EQ(qAlpha(last.pixel(360, 300)), 255); // the picture underneath
    // What the layers that could not be loaded or were left out had stays.
    const QVariantMap saved = UserDefaults(settings()).value("settings").toMap();
    EXPECT_EQ(saved["InfoBox"].toMap()["Vessel"], QString("R/V Kvitbjørn"));
    EXPECT_TRUE(saved["DateTime"].toMap().contains("Show"));
}

TEST_F(ProgramTest, ASignalWhileALayerHangsEndsTheProgramWithItsSettings) {
    p.setProcessChannelMode(QProcess::MergedChannels);
    // A limit the test would never wait for: the signal alone must end the hang.
    p.start(TARNVIK_BIN, arguments({{"DateTime", kHangsLater}}, {"--script-limit", "600"}));
    QString said;
    while (!said.contains("hanging now") && p.waitForReadyRead(30000)) said += p.readAll();
    ASSERT_TRUE(said.contains("hanging now")) << said.toStdString();
    p.terminate(); // SIGTERM
    ASSERT_TRUE(p.waitForFinished(30000));
    EXPECT_EQ(p.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(p.exitCode(), 0);
    EXPECT_TRUE(QFile::exists(settings()));
}

TEST_F(ProgramTest, AHeadlessStreamIsReceivedAtItsSizeAndRate) {
    const QString url = QString("udp://127.0.0.1:%1").arg(loopback::ledig_port());
    test::StreamReceiver viewer(url.toStdString());
    p.start(TARNVIK_BIN, arguments({}, {"--frames", "50", "--stream", url}));
    ASSERT_TRUE(p.waitForFinished(60000));
    EXPECT_EQ(p.exitCode(), 0) << p.readAllStandardError().toStdString();
    ASSERT_TRUE(waitForViewer(viewer, 40));
    viewer.leave();
    const auto pictures = viewer.pictures();
    EXPECT_EQ(pictures.front().width, 720);
    EXPECT_EQ(pictures.front().height, 576);
    // Timed by the render ticks, 1/25 s apart on the wall clock, late now and
    // then on a busy machine (the exact steps: LiveOutputsTest, on a clock of its own).
    std::vector<std::int64_t> steps;
    for (std::size_t i = 1; i < pictures.size(); ++i) steps.push_back(pictures[i].pts - pictures[i - 1].pts);
    std::nth_element(steps.begin(), steps.begin() + steps.size() / 2, steps.end());
    EXPECT_GE(steps[steps.size() / 2], 3000);
    EXPECT_LE(steps[steps.size() / 2], 6000);
}

TEST_F(ProgramTest, AStreamAskedForThatCannotStartEndsAHeadlessRunSayingWhy) {
    p.start(TARNVIK_BIN, arguments({}, {"--frames", "5", "--stream", "http://ship:9000"}));
    ASSERT_TRUE(p.waitForFinished(60000));
    EXPECT_EQ(p.exitCode(), 1);
    EXPECT_TRUE(p.readAllStandardError().contains("could not start: the address must begin with srt:// or udp://."));
}

TEST_F(ProgramTest, FileQuitQuitsAndSavesTheSettings) {
    qputenv("TARNVIK_COMPOSITIONS", COMPOSITIONS_DIR);
    AppOptions o;
    o.decoderArguments.clear();
    o.settingsPath = settings();
    AppController c(o);
    c.applicationDidFinishLaunching();
    EXPECT_EQ(c.quitAction()->shortcut(), QKeySequence("Ctrl+Q"));
    c.quitAction()->trigger();
    QTimer guard; // never hang the suite
    QObject::connect(&guard, &QTimer::timeout, [] { QCoreApplication::exit(1); });
    guard.start(20000);
    EXPECT_EQ(QApplication::exec(), 0);
    EXPECT_TRUE(QFile::exists(settings()));
}

} // namespace
