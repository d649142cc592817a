// The storage form of input values: what the settings file keeps of a
// colour ("R=%g G=%g B=%g A=%g") and of an image (LZW-compressed TIFF).
#pragma once

#include "render/Plist.h"

#include <QByteArray>
#include <QColor>
#include <QImage>
#include <QString>
#include <QVariant>

#include <optional>

namespace tarnvik {

// Empty for a colour that has no RGB form.
QString colorToStorage(const QColor& color);
// Four numbers in the order red, green, blue, alpha, each after any run of
// the characters "RGBA= "; missing numbers are 0. exact, when given, is
// false where the text has fewer than four numbers or one outside 0 to 1.
QColor colorFromStorage(const QString& text, bool* exact = nullptr);
QByteArray imageToStorage(const QImage& image);
// The first picture of the data in any format Qt reads; null when none.
QImage imageFromStorage(const QByteArray& data);

// A live value in storage form, classified by what it holds (colour, image,
// number, string); nothing for anything else.
std::optional<QVariant> toStorage(const QVariant& live);

// Whether a value in storage form is within what the settings file reads
// back: a longer one would make the whole file unreadable at the next start.
bool fitsStorage(const QVariant& stored, const plist::Limits& limits);

} // namespace tarnvik
