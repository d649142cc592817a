// What the overlay showed at one moment, as data. The same record becomes a
// row of `--values-to`, a row of the CSV beside each recording, a subtitle
// cue inside it and an event's position, so that all of them agree with the
// picture.
#pragma once

#include <QDateTime>
#include <QFile>
#include <QString>

#include <optional>

namespace tarnvik {

struct ShownValues {
    QDateTime timeUtc;                 // the moment, UTC, milliseconds
    QString latitude;                  // the texts as shown; empty before a position
    QString longitude;
    std::optional<double> latDeg;      // signed decimal degrees
    std::optional<double> lonDeg;
    std::optional<double> headingDeg;  // none before a heading
    std::optional<double> positionAge; // seconds since the value was set; none before it
    std::optional<double> headingAge;
    bool positionStale = false;
    bool headingStale = false;
    std::optional<double> depth;       // metres
    std::optional<double> easting;     // metres, in the grid system `crs`
    std::optional<double> northing;
    QString crs;                       // short name of the grid system; empty when none
    // Further columns, after those above.
    QDateTime shownTimeUtc;            // the time "DateTime" showed
    bool timeFromStream = false;       // from the navigation stream, else the computer's clock
    std::optional<double> rovDepth;    // the ROV's own line: metres, metres above the seabed, degrees
    std::optional<double> rovAltitude;
    std::optional<double> rovHeading;
    std::optional<double> telemetryAge;
};

// "time_utc,latitude,longitude,lat_deg,lon_deg,heading_deg,position_age_s,
// heading_age_s,position_stale,heading_stale,depth_m,easting_m,northing_m,crs,
// shown_time_utc,time_source,rov_depth_m,altitude_m,rov_heading_deg,telemetry_age_s"
QString valuesCsvHeader();
// One CSV line (no line end): texts quoted where they need it, numbers in
// the C locale, an absent value as an empty field.
QString valuesCsvRow(const ShownValues& v);
// "2026-12-07T14:25:01.123Z"
QString isoUtc(const QDateTime& t);

// Appends rows to a CSV file, flushing each, so a crash keeps every row
// written before it. The header goes first when the file is new or empty.
class ValuesCsvWriter {
public:
    // False (with why in error()) when the file cannot be opened.
    bool open(const QString& path);
    bool isOpen() const { return file_.isOpen(); }
    // False when the row could not be written whole; no row after it is.
    bool write(const ShownValues& v);
    void close() { file_.close(); }
    QString error() const { return error_; }
    QString path() const { return file_.fileName(); }

private:
    QFile file_;
    QString error_;
};

} // namespace tarnvik
