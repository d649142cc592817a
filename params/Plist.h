// Property lists in the XML form: dictionaries, arrays, strings, numbers,
// booleans and byte data, as QVariant trees.
#pragma once

#include <QByteArray>
#include <QString>
#include <QVariant>

#include <optional>

namespace tarnvik::plist {

// QVariantMap, QVariantList, QString, QByteArray, bool, integers and doubles;
// other values are left out.
QByteArray write(const QVariant& root);
// The root value, or nothing with the reason in error.
std::optional<QVariant> read(const QByteArray& bytes, QString* error);

} // namespace tarnvik::plist
