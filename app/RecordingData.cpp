#include "app/RecordingData.h"

#include <QDir>
#include <QFileInfo>
#include <QStringList>

namespace tarnvik {

namespace {

QString staleMark(bool stale) { return stale ? QStringLiteral(" (stale)") : QString(); }

} // namespace

QString cueText(const ShownValues& v, const QDateTime& utc) {
    QStringList lines;
    lines << utc.toUTC().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss 'UTC'"));
    if (v.latitude.isEmpty() && v.longitude.isEmpty()) lines << QStringLiteral("No position");
    else lines << (v.latitude.trimmed() + QLatin1Char(' ') + v.longitude.trimmed() + staleMark(v.positionStale));
    if (v.easting && v.northing) {
        QString grid = QStringLiteral("E %1 N %2").arg(*v.easting, 0, 'f', 2).arg(*v.northing, 0, 'f', 2);
        if (!v.crs.isEmpty()) grid += QLatin1Char(' ') + v.crs;
        lines << grid;
    }
    QStringList last;
    if (v.headingDeg) last << QStringLiteral("Heading %1°").arg(*v.headingDeg, 0, 'f', 1) + staleMark(v.headingStale);
    if (v.depth) last << QStringLiteral("Depth %1 m").arg(*v.depth, 0, 'f', 1);
    if (v.rovDepth) last << QStringLiteral("ROV depth %1 m").arg(*v.rovDepth, 0, 'f', 1);
    if (!last.isEmpty()) lines << last.join(QStringLiteral("  "));
    return lines.join(QLatin1Char('\n'));
}

QString csvPathFor(const QString& moviePath) {
    const QFileInfo f(moviePath);
    return f.dir().filePath(f.completeBaseName() + QStringLiteral(".csv"));
}

void RecordingData::setValues(const ShownValues& values) {
    values_ = values;
    // A row that cannot be written closes the file; the movie goes on.
    if (csv_.isOpen()) csv_.write(values);
}

bool RecordingData::openCsv(const QString& moviePath) { return csv_.open(csvPathFor(moviePath)); }

} // namespace tarnvik
