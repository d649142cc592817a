// The live outputs of the "Live Export" menu beside a recording: the network
// stream with its dialog and kept settings, the virtual camera offered only
// where a loopback device is, failures that say why, and render sizes and
// window drags that outputs and recordings live through.
#include "app/AppController.h"
#include "app/CompressionDialog.h"
#include "app/RenderView.h"
#include "app/StreamDialog.h"
#include "app/Toolbar.h"
#include "export/FrameMovieExporter.h"
#include "export/FrameStreamExporter.h"
#include "render/UserDefaults.h"
#include "tests/app/wait_for.h"
#include "tests/export/playback.h"
#include "tests/export/stream_receiver.h"
#include "tools/loopback.h"

#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTimer>
#include <gtest/gtest.h>

using namespace tarnvik;
using tarnvik::test::StreamReceiver;
using tarnvik::test::waitFor;

namespace {

class LiveOutputsTest : public testing::Test {
protected:
    void SetUp() override {
        qputenv("TARNVIK_COMPOSITIONS", COMPOSITIONS_DIR);
        av_log_set_level(AV_LOG_QUIET);
        options.decoderArguments.clear();
        options.settingsPath = dir.filePath("Tarnvik.plist");
        options.loopbackDevices = [] { return std::vector<LoopbackDevice>{}; };
    }
    void TearDown() override { av_log_set_level(AV_LOG_INFO); }

    std::unique_ptr<AppController> launch() {
        auto c = std::make_unique<AppController>(options);
        c->applicationDidFinishLaunching();
        c->setClock([this] { return now; });
        c->setStreamDialogRunner([this](StreamDialog& d) {
            d.urlField()->setText(QString::fromStdString(url));
            d.bitRateField()->setValue(1500);
            return dialogAnswer;
        });
        QObject::connect(&c->notices(), &Notices::notice, [this](const QString& text, NoticeLevel level) {
            if (level == NoticeLevel::Alert) alerts << text;
        });
        return c;
    }
    // Chooses an export and stops the timer, so that only tick() renders.
    static void choose(AppController& c, ExportChoice choice) {
        c.exportMenu()->setCurrentIndex(c.exportMenu()->findData(choice));
        c.updateExport();
        c.setTimerFramerate(0);
    }
    bool tickUntil(AppController& c, const std::function<bool()>& done) {
        return waitFor([&] { return c.renderTick(), now += 0.04, done(); }, 20000);
    }

    QTemporaryDir dir;
    AppOptions options;
    std::string url;
    int dialogAnswer = 0;
    QStringList alerts;
    double now = 100.0;
};

TEST_F(LiveOutputsTest, TheStreamReachesItsReceiverThroughSizeChangesAndDrags) {
    const int port = loopback::ledig_port();
    url = "udp://127.0.0.1:" + std::to_string(port);
    StreamReceiver viewer(url);
    auto c = launch();
    choose(*c, kStreamExport);
    ASSERT_TRUE(c->streamExporter());
    EXPECT_EQ(c->exportMenu()->currentData(), kStreamExport);
    ASSERT_TRUE(tickUntil(*c, [&] { return viewer.count() >= 5; }));
    EXPECT_EQ(viewer.pictures().front().width, 720);
    // The render ticks' times, 1/25 s apart, to the 1/600 s the session keeps.
    EXPECT_NEAR(viewer.pictures()[1].pts - viewer.pictures()[0].pts, 3600, 150);

    c->mainWindow()->resize(c->mainWindow()->size() - QSize(200, 100));
    ASSERT_TRUE(c->setRenderSize({640, 360}));
    EXPECT_TRUE(c->streamExporter());
    ASSERT_TRUE(tickUntil(*c, [&] { return viewer.pictures().back().height == 360; }));
    EXPECT_EQ(viewer.pictures().back().width, 640);
    EXPECT_TRUE(alerts.isEmpty()) << alerts.join('\n').toStdString();

    // The choice is kept for the next time.
    const QVariantMap kept = UserDefaults(options.settingsPath).value("NetworkStream").toMap();
    EXPECT_EQ(kept["URL"].toString().toStdString(), url);
    EXPECT_EQ(kept["BitRate"].toLongLong(), 1'500'000);
    choose(*c, kNoExport);
    EXPECT_FALSE(c->streamExporter());
}

TEST_F(LiveOutputsTest, AStreamThatCannotStartBeepsResetsTheMenuAndSaysWhy) {
    const int taken = loopback::ledig_port();
    const std::string listener = "srt://0.0.0.0:" + std::to_string(taken) + "?mode=listener";
    const int squatter = socket(AF_INET, SOCK_DGRAM, 0); // holds the port
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(std::uint16_t(taken));
    ASSERT_EQ(bind(squatter, reinterpret_cast<sockaddr*>(&a), sizeof a), 0);
    auto c = launch();
    const struct {
        std::string url;
        int answer;
        QString says; // empty: cancelled, nothing to say
    } cases[] = {
        {"srt://0.0.0.0:9000?mode=listener", 1, {}},
        {listener, 0,
         QString::fromStdString("The network stream to \"" + listener + "\" could not start: Address already in use.")},
    };
    for (const auto& k : cases) {
        SCOPED_TRACE(k.url);
        url = k.url;
        dialogAnswer = k.answer;
        alerts.clear();
        const int beeps = c->alerts();
        choose(*c, kStreamExport);
        EXPECT_FALSE(c->streamExporter());
        EXPECT_EQ(c->exportMenu()->currentData(), kNoExport);
        EXPECT_EQ(c->alerts(), beeps + 1);
        EXPECT_EQ(alerts, k.says.isEmpty() ? QStringList() : QStringList{k.says});
    }
    close(squatter);
}

TEST_F(LiveOutputsTest, TheVirtualCameraIsOfferedOnlyWhereADeviceIs) {
    EXPECT_EQ(launch()->exportMenu()->findData(kVirtualCameraExport), -1);

    // A plain file where the device should be: offered, and it says why it cannot start.
    const QString fake = dir.filePath("video9");
    QFile(fake).open(QIODevice::WriteOnly);
    options.loopbackDevices = [&] { return std::vector<LoopbackDevice>{{fake.toStdString(), "Tarnvik"}}; };
    auto c = launch();
    ASSERT_NE(c->exportMenu()->findData(kVirtualCameraExport), -1);
    choose(*c, kVirtualCameraExport);
    EXPECT_FALSE(c->virtualCameraExporter());
    EXPECT_EQ(c->exportMenu()->currentData(), kNoExport);
    EXPECT_EQ(c->alerts(), 1);
    ASSERT_EQ(alerts.size(), 1);
    EXPECT_EQ(alerts[0], QString::fromUtf8("The virtual camera could not start: %1 does not take 720×576 YUYV "
                                           "pictures (Inappropriate ioctl for device).")
                             .arg(fake));
}

TEST_F(LiveOutputsTest, ADraggedWindowLeavesTheRecordingAlone) {
    options.desktopFolder = dir.filePath("Desktop");
    auto c = launch();
    const QString movie = dir.filePath("drag.mov");
    c->setSavePanel([&](const QString&) { return movie; });
    c->setCompressionDialogRunner([](CompressionDialog& d) {
        d.codecMenu()->setCurrentIndex(d.codecMenu()->findData(kCodecPNG));
        return 0;
    });
    choose(*c, kMovieExport);
    ASSERT_TRUE(c->movieExporter());
    for (int i = 0; i < 3; ++i) c->renderTick(), now += 0.04;
    c->mainWindow()->resize(c->mainWindow()->size() + QSize(300, 200));
    ASSERT_TRUE(waitFor([&] { return c->renderView()->width() > 720; }, 2000));
    for (int i = 0; i < 3; ++i) c->renderTick(), now += 0.04;
    ASSERT_TRUE(c->movieExporter());
    choose(*c, kNoExport);
    const test::Playback p = test::play(movie);
    EXPECT_EQ(p.pts.size(), 5u);
    EXPECT_EQ(QSize(p.width, p.height), QSize(720, 576));
}

TEST(StreamDialogTest, RefusesAnAddressItCannotUseAndKeepsWhatWasAccepted) {
    QTemporaryDir dir;
    UserDefaults defaults(dir.filePath("Tarnvik.plist"));
    defaults.setValue("NetworkStream", QVariantMap{{"URL", "rtsp://ship:554"}, {"BitRate", "fast"}});
    EXPECT_EQ(storedStreamSettings(defaults).url, StreamSettings().url);
    EXPECT_EQ(storedStreamSettings(defaults).bitRate, StreamSettings().bitRate);

    const auto chosen = userStreamSettings(&defaults, nullptr, [](StreamDialog& d) {
        d.urlField()->setText("rtsp://ship:554");
        d.accept();
        EXPECT_NE(d.result(), QDialog::Accepted);
        EXPECT_EQ(d.problemLabel()->text(),
                  "This address cannot be used: the address must begin with srt:// or udp://.");
        d.urlField()->setText(" udp://10.0.0.5:5000 ");
        d.bitRateField()->setValue(4000);
        d.accept();
        return d.result() == QDialog::Accepted ? 0 : 1;
    });
    ASSERT_TRUE(chosen);
    EXPECT_EQ(chosen->url, "udp://10.0.0.5:5000");
    EXPECT_EQ(storedStreamSettings(UserDefaults(dir.filePath("Tarnvik.plist"))).bitRate, 4'000'000);
}

} // namespace
