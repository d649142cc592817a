// Collects what Qt logs while it is in scope, for tests that check messages.
#pragma once

#include <QStringList>
#include <QtGlobal>

#include <string>

namespace tarnvik::test {

class LogCapture {
public:
    LogCapture() : previous_(qInstallMessageHandler(&LogCapture::record)) { lines().clear(); }
    ~LogCapture() { qInstallMessageHandler(previous_); }
    LogCapture(const LogCapture&) = delete;
    LogCapture& operator=(const LogCapture&) = delete;

    static QStringList& lines() {
        static QStringList logged;
        return logged;
    }
    static std::string text() { return lines().join('\n').toStdString(); }

private:
    static void record(QtMsgType, const QMessageLogContext&, const QString& msg) { lines() << msg; }
    QtMessageHandler previous_;
};

} // namespace tarnvik::test
