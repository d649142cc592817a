// The program's kept settings: one property-list file of named values
// (dictionaries, strings, numbers, byte data), written whole and atomically.
#pragma once

#include <QString>
#include <QVariant>
#include <QVariantMap>

namespace tarnvik {

class UserDefaults {
public:
    // Reads the file. A missing file gives no values; a damaged or unreadable
    // one is moved aside (one log line says where) and gives no values.
    explicit UserDefaults(QString path);
    // "Tarnvik.plist" in the user's configuration folder for this program.
    static QString standardPath();

    QVariant value(const QString& key) const { return values_.value(key); }
    void setValue(const QString& key, const QVariant& value);
    void remove(const QString& key);
    const QVariantMap& values() const { return values_; }
    const QString& path() const { return path_; }

    // Writes the file through a temporary beside it; false, with a log line,
    // when that fails, and always false after a damaged file could not be
    // moved aside, since writing would lose it.
    bool synchronize();

private:
    void load();
    QString path_;
    QVariantMap values_;
    bool writable_ = true;
};

} // namespace tarnvik
