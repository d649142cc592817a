#include "app/RecordingSettings.h"

#include "render/UserDefaults.h"

#include <QDir>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QVariantMap>
#include <QtDebug>

#include <cmath>

namespace tarnvik {

namespace {

constexpr double kShortestSplit = 1;
constexpr double kLongestSplit = 24 * 3600;

} // namespace

QString recordingSettingsKey() { return QStringLiteral("RecordingSettings"); }

RecordingSettings::RecordingSettings()
    : folder(
          QDir(QStandardPaths::writableLocation(QStandardPaths::MoviesLocation)).filePath(QStringLiteral("Tarnvik"))) {}

RecordingSettings RecordingSettings::load(const UserDefaults& defaults) {
    RecordingSettings s;
    const QVariantMap kept = defaults.value(recordingSettingsKey()).toMap();
    auto unusable = [](const char* key) {
        qWarning("The recording setting \"%s\" cannot be used; its default is used instead", key);
    };
    auto text = [&](const char* key, QString& into) {
        const QVariant v = kept.value(QLatin1String(key));
        if (!v.isValid()) return;
        if (v.typeId() == QMetaType::QString && !v.toString().trimmed().isEmpty()) into = v.toString();
        else unusable(key);
    };
    text("Folder", s.folder);
    text("Pattern", s.pattern);
    text("Camera", s.camera);
    if (const QVariant v = kept.value(QStringLiteral("SplitSeconds")); v.isValid()) {
        bool ok = false;
        const double seconds = v.toDouble(&ok);
        if (ok && seconds >= kShortestSplit && seconds <= kLongestSplit) s.splitSeconds = seconds;
        else unusable("SplitSeconds");
    }
    if (const QVariant v = kept.value(QStringLiteral("Compression")); v.isValid()) {
        if (v.typeId() != QMetaType::QByteArray || s.compression.parse(v.toByteArray()) != 0) unusable("Compression");
    }
    return s;
}

void RecordingSettings::store(UserDefaults& defaults) const {
    defaults.setValue(recordingSettingsKey(), QVariantMap{
                                                  {QStringLiteral("Folder"), folder},
                                                  {QStringLiteral("Pattern"), pattern},
                                                  {QStringLiteral("Camera"), camera},
                                                  {QStringLiteral("SplitSeconds"), splitSeconds},
                                                  {QStringLiteral("Compression"), compression.serialize()},
                                              });
}

QString fileSafe(const QString& text) {
    QString out;
    for (const QChar c : text) {
        if (c.isLetterOrNumber() || c == QLatin1Char('-') || c == QLatin1Char('_') || c == QLatin1Char('.')) out += c;
        else if (c.isSpace()) out += QLatin1Char('_');
    }
    return out;
}

QString recordingBaseName(const QString& pattern, const QDateTime& utc, const QString& vessel, const QString& job,
                          const QString& camera) {
    const QDateTime t = utc.toUTC();
    QString name = pattern;
    name.replace(QStringLiteral("{date}"), t.toString(QStringLiteral("yyyyMMdd")));
    name.replace(QStringLiteral("{time}"), t.toString(QStringLiteral("HHmmss")));
    name.replace(QStringLiteral("{vessel}"), fileSafe(vessel.trimmed()));
    name.replace(QStringLiteral("{job}"), fileSafe(job.trimmed()));
    name.replace(QStringLiteral("{camera}"), fileSafe(camera.trimmed()));
    name = fileSafe(name);
    // An empty token leaves its separators doubled, or at an end.
    static const QRegularExpression doubled(QStringLiteral("([-_])[-_]+"));
    name.replace(doubled, QStringLiteral("\\1"));
    static const QRegularExpression ends(QStringLiteral("^[-_.]+|[-_.]+$"));
    name.remove(ends);
    return name.isEmpty() ? QStringLiteral("recording") : name;
}

} // namespace tarnvik
