#include "app/RecordingTexts.h"

#include "export/AvError.h"

#include <QDir>

#include <cerrno>
#include <cmath>

namespace tarnvik {

QString bytesText(std::uint64_t bytes) {
    if (bytes >= 1'000'000'000) return QString::number(double(bytes) / 1e9, 'f', 1) + QStringLiteral(" GB");
    return QString::number(std::llround(double(bytes) / 1e6)) + QStringLiteral(" MB");
}

QString lowSpaceText(const RecordingEvent& e) {
    QString left;
    if (e.secondsLeft >= 90)
        left = QStringLiteral(", about %1 minutes of recording left").arg(std::llround(e.secondsLeft / 60));
    else if (e.secondsLeft >= 0) left = QStringLiteral(", a minute or less of recording left");
    return QStringLiteral("The disk is nearly full: %1 free%2. Recording stops before the disk is full.")
        .arg(bytesText(e.freeBytes), left);
}

QString stopReasonText(const RecordingEvent& e, const QString& path) {
    const QString file = QDir::toNativeSeparators(path);
    switch (e.reason) {
    case StopReason::WriteFailed:
        if (e.error == AVERROR(ENOSPC) || e.error == AVERROR(EDQUOT))
            return QStringLiteral("Recording stopped: the disk is full.");
        if (e.error == AVERROR(EFBIG))
            return QStringLiteral("Recording stopped: the movie file has reached the largest size allowed.");
        return QStringLiteral("Recording stopped: the movie file could not be written (%1).")
            .arg(QString::fromUtf8(avErrorText(e.error)));
    case StopReason::LowSpace:
        return QStringLiteral("Recording stopped: the disk is nearly full (%1 free).").arg(bytesText(e.freeBytes));
    case StopReason::Deleted: return QStringLiteral("Recording stopped: the movie file \"%1\" was deleted.").arg(file);
    case StopReason::Moved:
        return QStringLiteral("Recording stopped: \"%1\" is no longer the movie file (it was moved or replaced, or "
                              "its disk was unmounted).")
            .arg(file);
    }
    return QStringLiteral("Recording stopped.");
}

QString stopText(const RecordingEvent& e, const QString& path, double seconds) {
    const QString amount = QString::number(seconds, 'f', 1);
    // A file that is gone keeps nothing: say what had been recorded.
    if (e.reason == StopReason::Deleted || e.reason == StopReason::Moved)
        return stopReasonText(e, path) + QStringLiteral(" %1 seconds had been recorded.").arg(amount);
    return stopReasonText(e, path) +
           QStringLiteral(" %1 seconds were kept in \"%2\".").arg(amount, QDir::toNativeSeparators(path));
}

} // namespace tarnvik
