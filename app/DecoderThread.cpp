#include "app/DecoderThread.h"

#include "decoder/replay.h"
#include "decoder/runtime.h"
#include "decoder/state.h"
#include "decoder/stopp.h"
#include "decoder/tolkar.h"
#include "decoder/udp.h"

#include <QMetaObject>
#include <QObject>
#include <QtDebug>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace tarnvik {

struct DecoderThread::Run {
    std::vector<std::string> storage; // the decoder keeps pointers into its arguments
    std::vector<char*> argv;
    QString recording;
    QObject* receiver = nullptr;
    std::function<void(const DecoderStop&)> stopped;

    std::mutex mutex;
    std::condition_variable ended;
    bool done = false;     // the thread has left the decoder
    bool stopping = false; // the owner has gone: no news
};

namespace {

// How a fatal decoder error leaves the decoder: up to the thread's top.
struct DecoderExit {
    int status;
};

[[noreturn]] void leaveDecoder(int status) { throw DecoderExit{status}; }

std::mutex runsMutex;
std::shared_ptr<DecoderThread::Run> lastRun;

// The decoder writes Norwegian letters in the Mac OS Roman bytes.
QString fromDecoderText(const char* text) {
    QString s;
    for (const char* p = text; *p; ++p) {
        switch (static_cast<unsigned char>(*p)) {
        case 0x8C: s += QChar(0xE5); break; // å
        case 0xBF: s += QChar(0xF8); break; // ø
        case 0xBE: s += QChar(0xE6); break; // æ
        case 0x81: s += QChar(0xC5); break; // Å
        case 0xAF: s += QChar(0xD8); break; // Ø
        case 0xAE: s += QChar(0xC6); break; // Æ
        default: s += QChar::fromLatin1(*p);
        }
    }
    return s;
}

void runDecoder(const std::shared_ptr<DecoderThread::Run>& run) {
    qInfo("launch inputProcess");
    decoder::reset_state();
    decoder::replaytempo = true;
    bool news = false;
    DecoderStop stop;
    try {
        decoder::inputData(static_cast<int>(run->argv.size() - 1), run->argv.data());
    } catch (const DecoderExit& e) {
        news = true;
        stop.status = e.status;
        stop.kind = decoder::replay_ferdig ? DecoderStop::Kind::ReplayEnded
                    : e.status != 0        ? DecoderStop::Kind::Failed
                                           : DecoderStop::Kind::Exited;
        stop.message = fromDecoderText(decoder::siste_feilmelding());
        stop.udpPort = decoder::udp_inngangsport();
        stop.recording = run->recording;
    }
    decoder::close_udp();
    std::fflush(decoder::ut);
    std::lock_guard lock(run->mutex);
    run->done = true;
    // Under the lock: the owner, and with it the receiver, waits for it.
    if (news && !run->stopping && run->receiver) {
        QMetaObject::invokeMethod(
            run->receiver, [f = run->stopped, stop] { f(stop); }, Qt::QueuedConnection);
    }
    run->ended.notify_all();
}

} // namespace

QString DecoderStop::text() const {
    switch (kind) {
    case Kind::ReplayEnded: return QStringLiteral("The recording \"%1\" has ended").arg(recording);
    case Kind::Exited: return QStringLiteral("The decoder stopped with status %1; closing").arg(status);
    case Kind::Failed: break;
    }
    QString why = udpPort > 0
        ? QStringLiteral("The decoder cannot listen on UDP port %1, so no navigation data comes in.").arg(udpPort)
        : QStringLiteral("The decoder stopped with status %1, so no navigation data comes in.").arg(status);
    return message.isEmpty() ? why : why + QLatin1Char('\n') + message;
}

NoticeLevel DecoderStop::level() const { return kind == Kind::Failed ? NoticeLevel::Alert : NoticeLevel::Info; }

bool DecoderStop::quits(bool headless) const {
    switch (kind) {
    case Kind::ReplayEnded: return false;
    case Kind::Failed: return headless;
    case Kind::Exited: return true;
    }
    return true;
}

std::unique_ptr<DecoderThread> DecoderThread::start(const QStringList& arguments, QObject* receiver,
                                                    std::function<void(const DecoderStop&)> stopped) {
    std::lock_guard runs(runsMutex);
    if (lastRun) {
        std::lock_guard lock(lastRun->mutex);
        if (!lastRun->done) return nullptr;
    }
    auto run = std::make_shared<Run>();
    run->storage.emplace_back("tolkar");
    for (const QString& a : arguments) {
        run->storage.push_back(a.toStdString());
        if (a.startsWith(QLatin1String("-f"))) run->recording = a.mid(2);
    }
    for (std::string& s : run->storage) run->argv.push_back(s.data());
    run->argv.push_back(nullptr);
    run->receiver = receiver;
    run->stopped = std::move(stopped);
    decoder::avslutt = leaveDecoder;
    decoder::nullstill_stopp();
    lastRun = run;
    std::thread([run] { runDecoder(run); }).detach();
    return std::unique_ptr<DecoderThread>(new DecoderThread(run));
}

DecoderThread::~DecoderThread() {
    std::unique_lock lock(run_->mutex);
    run_->stopping = true;
    if (run_->done) return;
    decoder::be_om_stopp();
    if (!run_->ended.wait_for(lock, std::chrono::seconds(2), [this] { return run_->done; }))
        qWarning("The decoder is still reading a line; it stops when that ends");
}

} // namespace tarnvik
