// tarnvik: the overlay application.
//
//   tarnvik [--settings FILE] [--size WxH] [--compositions DIR] [--dv-out PATH]
//           [--frames N [--snapshot-to OUT.png]] [--script-limit SECONDS]
//           [--values-to FILE.csv] [--record FOLDER [--split SECONDS]]
//           [-- DECODER OPTIONS]
//   tarnvik --help | --version
//
// Decoder options after "--" replace the default "-u49000", for example
// "tarnvik -- -u10110" or "tarnvik -- -frecorded.nmea".
#include "app/AppController.h"
#include "app/CommandLine.h"
#include "render/Compositions.h"
#include "render/ScriptWatchdog.h"

#include <QApplication>
#include <QFileInfo>
#include <QSocketNotifier>

#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <csignal>
#include <cstdio>
#include <mutex>
#include <thread>

#include <fcntl.h>
#include <unistd.h>

using namespace tarnvik;

namespace {

int signalPipe[2] = {-1, -1}; // to the main thread's event loop
int answerPipe[2] = {-1, -1}; // to the thread that waits for the main thread's answer

// The main thread answers a signal by quitting well within this; the
// watchdog stops a composition's script long before.
constexpr std::chrono::seconds kAnswerWithin{10};
std::mutex answerMutex;
std::condition_variable answerGiven;
bool answered = false;

void onSignal(int signal) {
    ScriptWatchdog::quitRequested().store(true, std::memory_order_relaxed);
    const char c = static_cast<char>(signal);
    [[maybe_unused]] auto a = write(signalPipe[1], &c, 1);
    [[maybe_unused]] auto b = write(answerPipe[1], &c, 1);
}

// Where the main thread hangs somewhere no watchdog reaches, a signal still
// ends the program, without its settings then.
void endUnanswered() {
    char signal = 0;
    while (read(answerPipe[0], &signal, 1) < 0 && errno == EINTR) {
    }
    std::unique_lock lock(answerMutex);
    if (answerGiven.wait_for(lock, kAnswerWithin, [] { return answered; })) return;
    std::fprintf(stderr, "tarnvik: no answer %lld s after signal %d; ending without saving the settings\n",
                 static_cast<long long>(kAnswerWithin.count()), signal);
    _exit(128 + signal);
}

// Ctrl+C and a session's end quit like closing the window: settings saved.
void quitOnSignals(QCoreApplication& app) {
    if (pipe2(signalPipe, O_CLOEXEC | O_NONBLOCK) != 0) return;
    if (pipe2(answerPipe, O_CLOEXEC) != 0) return;
    // The handler never blocks; the waiting thread does.
    fcntl(answerPipe[1], F_SETFL, O_NONBLOCK);
    auto* n = new QSocketNotifier(signalPipe[0], QSocketNotifier::Read, &app);
    QObject::connect(n, &QSocketNotifier::activated, &app, [] {
        char c;
        while (read(signalPipe[0], &c, 1) > 0) {
        }
        QCoreApplication::quit();
    });
    QObject::connect(&app, &QCoreApplication::aboutToQuit, [] {
        std::lock_guard lock(answerMutex);
        answered = true;
        answerGiven.notify_all();
    });
    std::thread(endUnanswered).detach();
    struct sigaction sa {};
    sa.sa_handler = onSignal;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = SA_RESTART;
    sigaction(SIGINT, &sa, nullptr);
    sigaction(SIGTERM, &sa, nullptr);
    sigaction(SIGHUP, &sa, nullptr);
}

int say(int status, const QString& text) {
    std::fputs(text.toLocal8Bit().constData(), status == 0 ? stdout : stderr);
    return status;
}

} // namespace

int main(int argc, char** argv) {
    QStringList arguments;
    for (int i = 0; i < argc; ++i) arguments << QString::fromLocal8Bit(argv[i]);
    const CommandLine command = readCommandLine(arguments);
    if (command.exitStatus) return say(*command.exitStatus, command.output);

    // A folder chosen by hand must hold the compositions.
    QString chosenBy;
    if (!command.compositions.isEmpty()) {
        setCompositionsFolder(QFileInfo(command.compositions).absoluteFilePath());
        chosenBy = QStringLiteral("--compositions");
    } else if (!qEnvironmentVariableIsEmpty("TARNVIK_COMPOSITIONS")) {
        chosenBy = QStringLiteral("TARNVIK_COMPOSITIONS");
    }
    if (!chosenBy.isEmpty()) {
        const QString problem = compositionsFolderProblem(compositionsFolder());
        if (!problem.isEmpty()) return say(2, QStringLiteral("tarnvik: %1: %2\n").arg(chosenBy, problem));
    }
    // Qt's own message for a missing display ends in an abort.
    if (!command.qtPlatformGiven && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") &&
        qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
        return say(2, QStringLiteral("tarnvik: no display (DISPLAY is not set); without one, run it under "
                                     "xvfb-run\n"));

    // The render view draws the composition scene's texture: the contexts share.
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Tarnvik"));
    QApplication::setApplicationVersion(tarnvikVersion());

    quitOnSignals(app);
    AppController controller(command.options);
    controller.applicationDidFinishLaunching();
    return app.exec();
}
