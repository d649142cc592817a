#include "render/ShownValues.h"

#include <QStringList>

namespace tarnvik {

namespace {

QString number(const std::optional<double>& v, int decimals) {
    return v ? QString::number(*v, 'f', decimals) : QString();
}

// RFC 4180: a field with a comma, quote or line break is quoted, quotes doubled.
QString text(const QString& s) {
    if (!s.contains(QLatin1Char(',')) && !s.contains(QLatin1Char('"')) && !s.contains(QLatin1Char('\n')) &&
        !s.contains(QLatin1Char('\r')))
        return s;
    QString q = s;
    q.replace(QLatin1Char('"'), QStringLiteral("\"\""));
    return QLatin1Char('"') + q + QLatin1Char('"');
}

} // namespace

QString isoUtc(const QDateTime& t) {
    return t.isValid() ? t.toUTC().toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss.zzzZ")) : QString();
}

QString valuesCsvHeader() {
    return QStringLiteral("time_utc,latitude,longitude,lat_deg,lon_deg,heading_deg,position_age_s,heading_age_s,"
                          "position_stale,heading_stale,depth_m,easting_m,northing_m,crs,"
                          "shown_time_utc,time_source,rov_depth_m,altitude_m,rov_heading_deg,telemetry_age_s");
}

QString valuesCsvRow(const ShownValues& v) {
    // Eight decimals of a degree are about a millimetre; ages to a tenth.
    const QStringList fields = {
        isoUtc(v.timeUtc),
        text(v.latitude),
        text(v.longitude),
        number(v.latDeg, 8),
        number(v.lonDeg, 8),
        number(v.headingDeg, 1),
        number(v.positionAge, 1),
        number(v.headingAge, 1),
        v.positionStale ? QStringLiteral("1") : QStringLiteral("0"),
        v.headingStale ? QStringLiteral("1") : QStringLiteral("0"),
        number(v.depth, 2),
        number(v.easting, 2),
        number(v.northing, 2),
        text(v.crs),
        isoUtc(v.shownTimeUtc),
        !v.shownTimeUtc.isValid() ? QString()
        : v.timeFromStream        ? QStringLiteral("stream")
                                  : QStringLiteral("computer"),
        number(v.rovDepth, 2),
        number(v.rovAltitude, 2),
        number(v.rovHeading, 0),
        number(v.telemetryAge, 1),
    };
    return fields.join(QLatin1Char(','));
}

bool ValuesCsvWriter::open(const QString& path) {
    file_.close();
    file_.setFileName(path);
    if (!file_.open(QIODevice::WriteOnly | QIODevice::Append)) {
        error_ = file_.errorString();
        return false;
    }
    error_.clear();
    if (file_.size() == 0) {
        const QByteArray header = valuesCsvHeader().toUtf8() + "\n";
        if (file_.write(header) != header.size() || !file_.flush()) {
            error_ = file_.errorString();
            file_.close();
            return false;
        }
    }
    return true;
}

bool ValuesCsvWriter::write(const ShownValues& v) {
    if (!file_.isOpen()) return false;
    const QByteArray row = valuesCsvRow(v).toUtf8() + "\n";
    if (file_.write(row) != row.size() || !file_.flush()) {
        error_ = file_.errorString();
        file_.close();
        return false;
    }
    return true;
}

} // namespace tarnvik
