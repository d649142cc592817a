#include "render/UserDefaults.h"

#include "render/Plist.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>
#include <QtDebug>

namespace tarnvik {

UserDefaults::UserDefaults(QString path, plist::Limits limits) : path_(std::move(path)), limits_(limits) { load(); }

QString UserDefaults::standardPath() {
    return QDir(QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation))
        .filePath(QStringLiteral("Tarnvik.plist"));
}

void UserDefaults::setValue(const QString& key, const QVariant& value) {
    if (value.isValid()) values_.insert(key, value);
    else values_.remove(key);
}

void UserDefaults::remove(const QString& key) { values_.remove(key); }

void UserDefaults::load() {
    QFile file(path_);
    if (!file.exists()) return;
    QString why;
    if (!file.open(QIODevice::ReadOnly)) {
        why = file.errorString();
    } else if (file.size() > limits_.fileBytes) {
        // Refused before it is read: a huge file would stall the start.
        why = QStringLiteral("larger than %1 bytes").arg(limits_.fileBytes);
    } else {
        // One byte over the limit tells a file that grew, or one that is no
        // plain file, from one that fits.
        const QByteArray bytes = file.read(limits_.fileBytes + 1);
        file.close();
        auto root = plist::read(bytes, &why, limits_);
        if (root && root->typeId() == QMetaType::QVariantMap) {
            values_ = root->toMap();
            return;
        }
        if (root) why = QStringLiteral("its top level is not a dictionary");
    }
    file.close();
    const QString aside = asidePath();
    if (QFile::rename(path_, aside)) {
        problem_ = QStringLiteral("Settings file \"%1\" cannot be read (%2); moved it to \"%3\" and using defaults")
                       .arg(path_, why, aside);
    } else {
        writable_ = false;
        problem_ = QStringLiteral("Settings file \"%1\" cannot be read (%2) nor moved aside; using defaults "
                                  "and leaving the file as it is")
                       .arg(path_, why);
    }
}

QString UserDefaults::asidePath() const {
    const QString stamped =
        path_ + QStringLiteral(".damaged-") + QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss"));
    // A second one within the same second must not fail for want of a name.
    QString aside = stamped;
    for (int n = 2; QFile::exists(aside); ++n) aside = stamped + QLatin1Char('-') + QString::number(n);
    return aside;
}

QString UserDefaults::keepCopy() {
    const QString aside = asidePath();
    if (QFile::copy(path_, aside)) return aside;
    writable_ = false;
    return {};
}

bool UserDefaults::synchronize() {
    if (!writable_) {
        qWarning().noquote() << QStringLiteral("Settings not saved: \"%1\" is damaged and in the way").arg(path_);
        return false;
    }
    const QByteArray bytes = plist::write(values_);
    // A file the next start would refuse is not written: the one there stays.
    if (bytes.size() > limits_.fileBytes) {
        qWarning().noquote() << QStringLiteral("Settings not saved: they would take %1 bytes, more than the %2 "
                                               "a settings file may have")
                                    .arg(bytes.size())
                                    .arg(limits_.fileBytes);
        return false;
    }
    QDir().mkpath(QFileInfo(path_).absolutePath());
    QSaveFile file(path_);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) < 0 || !file.commit()) {
        qWarning().noquote() << QStringLiteral("Cannot write settings file \"%1\": %2").arg(path_, file.errorString());
        return false;
    }
    return true;
}

} // namespace tarnvik
