// tarnvik: the overlay application.
//
//   tarnvik [--settings FILE] [--size WxH] [--dv-out PATH] [--frames N [--snapshot-to OUT.png]]
//           [-- DECODER OPTIONS]
//
// Decoder options after "--" replace the default "-u49000", for example
// "tarnvik -- -u10110" or "tarnvik -- -frecorded.nmea".
#include "app/AppController.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QRegularExpression>

#include <QSocketNotifier>

#include <csignal>
#include <cstdio>

#include <fcntl.h>
#include <unistd.h>

using namespace tarnvik;

namespace {

int signalPipe[2] = {-1, -1};

void onSignal(int) {
    const char c = 1;
    [[maybe_unused]] auto n = write(signalPipe[1], &c, 1);
}

// Ctrl+C and a session's end quit like closing the window: settings saved.
void quitOnSignals(QCoreApplication& app) {
    if (pipe2(signalPipe, O_CLOEXEC | O_NONBLOCK) != 0) return;
    auto* n = new QSocketNotifier(signalPipe[0], QSocketNotifier::Read, &app);
    QObject::connect(n, &QSocketNotifier::activated, &app, [] {
        char c;
        while (read(signalPipe[0], &c, 1) > 0) {
        }
        QCoreApplication::quit();
    });
    struct sigaction sa {};
    sa.sa_handler = onSignal;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = SA_RESTART;
    sigaction(SIGINT, &sa, nullptr);
    sigaction(SIGTERM, &sa, nullptr);
    sigaction(SIGHUP, &sa, nullptr);
}

} // namespace

int main(int argc, char** argv) {
    // The render view draws the composition scene's texture: the contexts share.
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Tarnvik"));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Video overlay of vessel and ROV navigation"));
    parser.addHelpOption();
    QCommandLineOption settings(QStringLiteral("settings"), QStringLiteral("Settings file to use."), QStringLiteral("FILE"));
    QCommandLineOption size(QStringLiteral("size"), QStringLiteral("Render size at start."), QStringLiteral("WxH"),
                            QStringLiteral("720x576"));
    QCommandLineOption frames(QStringLiteral("frames"), QStringLiteral("Quit after N rendered frames."),
                              QStringLiteral("N"));
    QCommandLineOption snapshot(QStringLiteral("snapshot-to"),
                                QStringLiteral("With --frames: write the last frame as PNG."), QStringLiteral("FILE"));
    QCommandLineOption dvOut(QStringLiteral("dv-out"),
                             QStringLiteral("Live DV to this file or pipe where no FireWire device takes it."),
                             QStringLiteral("PATH"));
    parser.addOptions({settings, size, frames, snapshot, dvOut});
    parser.addPositionalArgument(QStringLiteral("decoder options"),
                                 QStringLiteral("After --: options of the decoder (default -u49000)."));
    parser.process(app);

    AppOptions options;
    if (!parser.positionalArguments().isEmpty()) options.decoderArguments = parser.positionalArguments();
    options.settingsPath = parser.value(settings);
    auto m = QRegularExpression(QStringLiteral("^(\\d{2,4})x(\\d{2,4})$")).match(parser.value(size));
    if (!m.hasMatch()) {
        std::fprintf(stderr, "tarnvik: --size must be WIDTHxHEIGHT\n");
        return 2;
    }
    options.renderSize = QSize(m.captured(1).toInt(), m.captured(2).toInt());
    if (parser.isSet(frames)) {
        bool ok = false;
        options.frames = parser.value(frames).toInt(&ok);
        if (!ok || options.frames < 1) {
            std::fprintf(stderr, "tarnvik: --frames must be a positive number\n");
            return 2;
        }
    }
    options.snapshotTo = parser.value(snapshot);
    options.dvOut = parser.value(dvOut);

    quitOnSignals(app);
    AppController controller(options);
    QObject::connect(&app, &QCoreApplication::aboutToQuit, &controller,
                     [&controller] { controller.applicationWillTerminate(); });
    controller.applicationDidFinishLaunching();
    return app.exec();
}
