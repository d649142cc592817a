// From a PSIMSSB datagram arriving on the decoder's port to the new position
// being in a rendered frame, through the whole program: decoder thread,
// info timer (0.3 s) and render loop (25 frames per second).
//
//   xvfb-run -a build/bench/app/latency [REPORTS]
#include "app/AppController.h"
#include "render/CompositionRenderer.h"
#include "tools/loopback.h"

#include "decoder/sjekksum.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTimer>


#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

using namespace tarnvik;

namespace {

std::string withChecksum(const std::string& body) { return decoder::med_sum("$" + body) + "\r\n"; }

std::string report(double north) {
    char body[128];
    std::snprintf(body, sizeof body, "PSIMSSB,120000.00,B33,A,,C,N,M,10.0,%.1f,50.0,,N,,", north);
    return withChecksum(body);
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    const int reports = argc > 1 ? std::max(5, std::atoi(argv[1])) : 40;
    QTemporaryDir dir;
    const int port = loopback::ledig_port();
    AppOptions o;
    o.decoderArguments = {QStringLiteral("-u%1").arg(port)};
    o.settingsPath = dir.filePath(QStringLiteral("bench.plist"));
    std::fclose(stdout); // the decoder's log lines are not the point here
    AppController c(o);
    c.applicationDidFinishLaunching();
    loopback::Sender out(port);
    const std::string gga = withChecksum("GPGGA,120000.00,6025.1234,N,00519.5678,E,1,10,0.8,12.3,M,45.6,M,,");
    const std::string hdt = withChecksum("HEHDT,88.0,T");

    std::vector<double> ms;
    QElapsedTimer clock;
    QString before;
    qint64 sentAt = -1;
    int n = 0;
    auto next = [&] {
        out.send(gga); // keeps the fix fresh
        out.send(hdt);
        before = c.renderPosition()->valueForInputKey(QStringLiteral("HIDDEN_latitude")).toString();
        clock.start();
        sentAt = 0;
        out.send(report(20.0 + 37.0 * (++n)));
    };
    QObject::connect(&c, &AppController::frameRendered, [&] {
        if (sentAt < 0) return;
        const QString now = c.renderPosition()->valueForInputKey(QStringLiteral("HIDDEN_latitude")).toString();
        if (now == before) return;
        ms.push_back(clock.nsecsElapsed() / 1e6);
        sentAt = -1;
        if (static_cast<int>(ms.size()) >= reports + 1) {
            QCoreApplication::quit();
            return;
        }
        // A random pause, so that reports fall anywhere in the info timer's period.
        QTimer::singleShot(100 + QRandomGenerator::global()->bounded(400), next);
    });
    QTimer::singleShot(500, next);
    QTimer::singleShot(120000, [] { QCoreApplication::exit(1); });
    const int status = app.exec();
    c.applicationWillTerminate();
    if (ms.size() < 2) {
        std::fprintf(stderr, "no position reached the picture\n");
        return 1;
    }
    ms.erase(ms.begin()); // the first waits for the decoder to start
    std::sort(ms.begin(), ms.end());
    std::fprintf(stderr, "%zu reports: datagram to rendered frame median %.0f ms, 95th percentile %.0f ms, max %.0f ms "
                         "(goal: at most 340 ms = 0.3 s + one frame)\n",
                 ms.size(), ms[ms.size() / 2], ms[ms.size() * 95 / 100], ms.back());
    return status;
}
