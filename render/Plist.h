// Property lists in the XML form: dictionaries, arrays, strings, numbers,
// booleans and byte data, as QVariant trees.
#pragma once

#include <QByteArray>
#include <QString>
#include <QVariant>

#include <optional>

namespace tarnvik::plist {

// What a read accepts at most. The settings need three levels and a few
// dozen values; the bounds keep a damaged or hostile file from exhausting
// the stack, the memory or the start-up time.
struct Limits {
    int depth = 64;                          // nested dictionaries and arrays
    qsizetype stringChars = 64 * 1024;       // a string or a key
    qsizetype dataBytes = 32 * 1024 * 1024;  // one data block, decoded (an image)
    qsizetype values = 100'000;              // in the whole list
    qint64 fileBytes = 64 * 1024 * 1024;     // the whole file, checked before it is parsed
};

// QVariantMap, QVariantList, QString, QByteArray, bool, integers and doubles;
// other values are left out.
QByteArray write(const QVariant& root);
// The root value, or nothing with the reason in error.
std::optional<QVariant> read(const QByteArray& bytes, QString* error, const Limits& limits = {});

} // namespace tarnvik::plist
