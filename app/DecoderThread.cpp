#include "app/DecoderThread.h"

#include "decoder/runtime.h"
#include "decoder/tolkar.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <QtDebug>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include <unistd.h>

namespace tarnvik {

namespace {

[[noreturn]] void quitApplication(int status) {
    std::fflush(decoder::ut);
    qWarning("The decoder stopped with status %d; closing", status);
    if (QCoreApplication* app = QCoreApplication::instance())
        QMetaObject::invokeMethod(app, [status] { QCoreApplication::exit(status); }, Qt::QueuedConnection);
    // The decoder must not go on; this thread waits for the process to end.
    for (;;) pause();
}

} // namespace

bool startDecoderThread(const QStringList& arguments) {
    static std::atomic<bool> started{false};
    if (started.exchange(true)) return false;
    // The decoder keeps pointers into its arguments for the life of the process.
    static std::vector<std::string> storage;
    static std::vector<char*> argv;
    storage.emplace_back("tolkar");
    for (const QString& a : arguments) storage.push_back(a.toStdString());
    for (std::string& s : storage) argv.push_back(s.data());
    argv.push_back(nullptr);
    decoder::avslutt = quitApplication;
    std::thread([] {
        qInfo("launch inputProcess");
        decoder::inputData(static_cast<int>(argv.size() - 1), argv.data());
    }).detach();
    return true;
}

} // namespace tarnvik
