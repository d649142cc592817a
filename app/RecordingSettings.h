// What a survey recording is made with: the folder, the file-name pattern,
// the camera's name, the split interval and the codec settings; kept in
// the settings file under "RecordingSettings".
#pragma once

#include "export/CompressionSettings.h"

#include <QDateTime>
#include <QString>

namespace tarnvik {

class UserDefaults;

struct RecordingSettings {
    QString folder; // default: "Tarnvik" in the user's movies folder
    QString pattern = QStringLiteral("{date}-{time}Z-{vessel}-{camera}");
    QString camera = QStringLiteral("CAM1");
    double splitSeconds = 1800;
    CompressionSettings compression;

    RecordingSettings();
    // What the settings file keeps; a value missing or unusable keeps its
    // default (an unusable one is logged).
    static RecordingSettings load(const UserDefaults& defaults);
    void store(UserDefaults& defaults) const;

    friend bool operator==(const RecordingSettings&, const RecordingSettings&) = default;
};

// The key of the settings file that holds them.
QString recordingSettingsKey();

// "M/S Tarnvik" → "MS_Tarnvik": letters, digits, "-", "_" and "." stay,
// white space becomes "_", anything else goes.
QString fileSafe(const QString& text);
// The pattern with its tokens filled in: {date} (yyyyMMdd) and {time}
// (HHmmss) of the UTC start, {vessel}, {job} and {camera}; made file-safe,
// and a separator doubled by an empty token folded. Never empty.
QString recordingBaseName(const QString& pattern, const QDateTime& utc, const QString& vessel, const QString& job,
                          const QString& camera);

} // namespace tarnvik
