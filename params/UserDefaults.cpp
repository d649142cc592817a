#include "params/UserDefaults.h"

#include "params/Plist.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>
#include <QtDebug>

namespace tarnvik {

UserDefaults::UserDefaults(QString path) : path_(std::move(path)) { load(); }

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
    } else {
        auto root = plist::read(file.readAll(), &why);
        file.close();
        if (root && root->typeId() == QMetaType::QVariantMap) {
            values_ = root->toMap();
            return;
        }
        if (root) why = QStringLiteral("its top level is not a dictionary");
    }
    const QString aside =
        path_ + QStringLiteral(".damaged-") + QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss"));
    if (QFile::rename(path_, aside)) {
        qWarning().noquote() << QStringLiteral("Settings file \"%1\" cannot be read (%2); moved it to \"%3\" and using defaults")
                                    .arg(path_, why, aside);
    } else {
        writable_ = false;
        qWarning().noquote() << QStringLiteral("Settings file \"%1\" cannot be read (%2) nor moved aside; using defaults "
                                               "and leaving the file as it is")
                                    .arg(path_, why);
    }
}

bool UserDefaults::synchronize() {
    if (!writable_) {
        qWarning().noquote() << QStringLiteral("Settings not saved: \"%1\" is damaged and in the way").arg(path_);
        return false;
    }
    QDir().mkpath(QFileInfo(path_).absolutePath());
    QSaveFile file(path_);
    if (!file.open(QIODevice::WriteOnly) || file.write(plist::write(values_)) < 0 || !file.commit()) {
        qWarning().noquote() << QStringLiteral("Cannot write settings file \"%1\": %2").arg(path_, file.errorString());
        return false;
    }
    return true;
}

} // namespace tarnvik
