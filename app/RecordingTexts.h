// What the user is told about a recording that runs low on disk space or
// ends on its own, for movie exports and survey recordings alike.
#pragma once

#include "export/RecordingWatch.h"

#include <QString>

#include <cstdint>

namespace tarnvik {

// "512 MB", "1.2 GB".
QString bytesText(std::uint64_t bytes);
// The warning while there is still room.
QString lowSpaceText(const RecordingEvent& e);
// "Recording stopped: " and why.
QString stopReasonText(const RecordingEvent& e, const QString& path);
// Why the recording stopped, and how much of the movie at path there is.
QString stopText(const RecordingEvent& e, const QString& path, double seconds);

} // namespace tarnvik
