// What a recording carries besides its picture: the values the overlay
// showed, as a cue each second in the movie's text track and as CSV rows
// beside the movie (the same base name, ".csv"), flushed row by row so that
// a crash keeps them up to the same second.
#pragma once

#include "render/ShownValues.h"

#include <QDateTime>
#include <QString>

namespace tarnvik {

// The cue for the second that starts at utc: the UTC time, the position as
// shown, the grid coordinates where set, heading, depth and the ROV's
// depth, and a mark on each value that is stale.
QString cueText(const ShownValues& values, const QDateTime& utc);
// "dive.mov" → "dive.csv".
QString csvPathFor(const QString& moviePath);

class RecordingData {
public:
    // The newest values; a row of the open CSV.
    void setValues(const ShownValues& values);
    const ShownValues& values() const { return values_; }
    QString cueText(const QDateTime& utc) const { return tarnvik::cueText(values_, utc); }

    // Rows go to the CSV beside this movie from now on. False, with the
    // reason in csvError(), when it cannot be written.
    bool openCsv(const QString& moviePath);
    void closeCsv() { csv_.close(); }
    QString csvPath() const { return csv_.isOpen() ? csv_.path() : QString(); }
    QString csvError() const { return csv_.error(); }

private:
    ShownValues values_;
    ValuesCsvWriter csv_;
};

} // namespace tarnvik
