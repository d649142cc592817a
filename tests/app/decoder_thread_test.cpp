// The decoder thread in the application: what its end tells the user, paced
// replay, and a run that stops with its controller.
#include "app/AppController.h"
#include "app/DecoderThread.h"
#include "render/NavigationFeed.h"
#include "tests/app/wait_for.h"
#include "tools/loopback.h"

#include <QEventLoop>
#include <QFile>
#include <QMainWindow>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QTimer>
#include <gtest/gtest.h>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <utility>
#include <vector>

using namespace tarnvik;

namespace {

constexpr int kNewsHandled = -100;

class DecoderThreadTest : public testing::Test {
protected:
    void SetUp() override { qputenv("TARNVIK_COMPOSITIONS", COMPOSITIONS_DIR); }
    AppOptions withDecoder(const QStringList& arguments) const {
        AppOptions o;
        o.decoderArguments = arguments;
        o.settingsPath = dir.filePath("Tarnvik.plist");
        return o;
    }
    QTemporaryDir dir;
};

// Runs the event loop until the decoder's news has been handled. Returns
// kNewsHandled, or the status of a quit that the news asked for first.
int runUntilNews(AppController& c) {
    QEventLoop loop;
    QObject::connect(&c.notices(), &Notices::notice, &loop,
                     [&loop] { QTimer::singleShot(0, &loop, [&loop] { loop.exit(kNewsHandled); }); });
    QTimer::singleShot(20000, &loop, [&loop] { loop.exit(-1); }); // no news at all
    return loop.exec();
}

// A clock that only the waits move on. Each wait notes how long it was and
// the heading decoded before it. The overlay's info tick reads it too.
struct FakePace {
    static inline std::atomic<int64_t> now = 0;
    static inline std::vector<std::pair<int64_t, float>> waits;
    static int64_t clock() { return now; }
    static void sleep(int64_t micro) {
        waits.emplace_back(micro, readNavigation().headingBoat);
        now += micro;
    }
};

} // namespace

TEST_F(DecoderThreadTest, ATakenPortIsAnAlertNamingItAndTheWindowStays) {
    int s = socket(AF_INET, SOCK_DGRAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    ASSERT_EQ(bind(s, reinterpret_cast<sockaddr*>(&a), sizeof a), 0);
    socklen_t n = sizeof a;
    getsockname(s, reinterpret_cast<sockaddr*>(&a), &n);
    const int port = ntohs(a.sin_port);

    AppController c(withDecoder({QString("-u%1").arg(port)}));
    c.applicationDidFinishLaunching();
    EXPECT_EQ(runUntilNews(c), kNewsHandled);
    ASSERT_TRUE(c.notices().openAlert());
    const QString text = c.notices().openAlert()->text();
    EXPECT_TRUE(text.startsWith(QString("The decoder cannot listen on UDP port %1").arg(port))) << text.toStdString();
    EXPECT_TRUE(text.endsWith(QString("\ntolkar: Kan ikke bruke UDP-port %1: %2").arg(port).arg(std::strerror(EADDRINUSE))))
        << text.toStdString();
    EXPECT_TRUE(c.mainWindow()->isVisible());
    close(s);
}

TEST_F(DecoderThreadTest, ARecordingPlaysAtItsOwnPaceAndItsEndKeepsTheWindow) {
    const QString path = dir.filePath("dive.nmea");
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("12:00:00 $HEHDT,10.0,T\r\n"
            "12:00:02 $HEHDT,20.0,T\r\n"
            "12:00:05 $HEHDT,30.0,T\r\n");
    f.close();
    FakePace::now = 5000000;
    FakePace::waits.clear();
    DecoderThread::setReplayPace(FakePace::clock, FakePace::sleep);

    AppController c(withDecoder({"-f" + path}));
    c.applicationDidFinishLaunching();
    EXPECT_EQ(runUntilNews(c), kNewsHandled);
    DecoderThread::setReplayPace({}, {});

    // Each line waits for its replay time, counted from the first.
    const std::vector<std::pair<int64_t, float>> waits = {{2000000, 10.0f}, {3000000, 20.0f}};
    EXPECT_EQ(FakePace::waits, waits);
    EXPECT_EQ(readNavigation().headingBoat, 30.0f);
    // The heading ages by the replay's clock: 7 s after its line, it is 7 s old.
    FakePace::now += 7000000;
    EXPECT_DOUBLE_EQ(navigationClock() - readNavigation().headingTime, 7.0);
    EXPECT_EQ(c.notices().posted(), QStringList{QString("The recording \"%1\" has ended").arg(path)});
    EXPECT_FALSE(c.notices().openAlert());
    EXPECT_TRUE(c.mainWindow()->isVisible());
}

TEST_F(DecoderThreadTest, ARunStopsWithItsControllerSoThatAnotherCanStart) {
    const int port = loopback::ledig_port();
    {
        AppController c(withDecoder({QString("-u%1").arg(port)}));
        // The port is bound once a datagram sent to it is decoded.
        loopback::Sender out(port);
        ASSERT_TRUE(test::waitFor([&] {
            out.send("$HEHDT,77.0,T\r\n");
            return test::waitFor([] { return readNavigation().headingBoat == 77.0f; }, 100);
        }, 10000));
    }
    QObject receiver;
    auto again = DecoderThread::start({"-f/dev/null"}, &receiver, [](const DecoderStop&) {});
    EXPECT_TRUE(again);
}

TEST(DecoderStop, AFailureQuitsOnlyAHeadlessRunAndTheEndOfARecordingNone) {
    DecoderStop s;
    s.kind = DecoderStop::Kind::Failed;
    EXPECT_EQ(std::make_pair(s.quits(false), s.quits(true)), std::make_pair(false, true));
    s.kind = DecoderStop::Kind::ReplayEnded;
    EXPECT_EQ(std::make_pair(s.quits(false), s.quits(true)), std::make_pair(false, false));
}
