// The program's kept settings: one property-list file of named values
// (dictionaries, strings, numbers, byte data), written whole and atomically.
#pragma once

#include "render/Plist.h"

#include <QString>
#include <QVariant>
#include <QVariantMap>

namespace tarnvik {

class UserDefaults {
public:
    // Reads the file. A missing file gives no values; a damaged, unreadable
    // or oversized one is moved aside and gives no values, and problem()
    // says so; the caller tells the user.
    explicit UserDefaults(QString path, plist::Limits limits = {});
    // "Tarnvik.plist" in the user's configuration folder for this program.
    static QString standardPath();

    QVariant value(const QString& key) const { return values_.value(key); }
    void setValue(const QString& key, const QVariant& value);
    void remove(const QString& key);
    const QVariantMap& values() const { return values_; }
    const QString& path() const { return path_; }
    // Why the file was not used, and where it went; empty when it was read.
    const QString& problem() const { return problem_; }

    // Keeps a copy of the file as read beside it ("….damaged-…") before
    // values that could not be used are written over; the copy's path, or
    // empty when none could be made, and then the file is never written.
    QString keepCopy();

    // Writes the file through a temporary beside it; false, with a log line,
    // when that fails, and always false after a damaged file could not be
    // moved or copied aside, since writing would lose it.
    bool synchronize();

private:
    void load();
    QString asidePath() const;
    QString path_;
    plist::Limits limits_;
    QVariantMap values_;
    QString problem_;
    bool writable_ = true;
};

} // namespace tarnvik
