#include "render/StorageForms.h"

#include <QBuffer>
#include <QImageReader>
#include <QImageWriter>
#include <QtDebug>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace tarnvik {

namespace {

// QColor keeps 16 bits a component: print the shortest %g text (at most six
// digits) that comes back to the same component, so that 0.5 stays "0.5".
double shortest(float component) {
    const long kept = std::lround(double(component) * 65535.0);
    for (int digits = 1; digits <= 6; ++digits) {
        char buf[32];
        std::snprintf(buf, sizeof buf, "%.*g", digits, double(component));
        double d = std::strtod(buf, nullptr);
        if (std::lround(d * 65535.0) == kept) return d;
    }
    return double(component);
}

} // namespace

QString colorToStorage(const QColor& color) {
    if (!color.isValid()) return {};
    QColor rgb = color.toRgb();
    char buf[128];
    std::snprintf(buf, sizeof buf, "R=%g G=%g B=%g A=%g", shortest(rgb.redF()), shortest(rgb.greenF()),
                  shortest(rgb.blueF()), shortest(rgb.alphaF()));
    return QString::fromLatin1(buf);
}

QColor colorFromStorage(const QString& text, bool* exact) {
    const QByteArray bytes = text.toLatin1();
    const char* p = bytes.constData();
    float c[4] = {0, 0, 0, 0};
    int found = 0;
    bool inRange = true;
    for (float& v : c) {
        p += std::strspn(p, "RGBA= ");
        char* end = nullptr;
        double d = std::strtod(p, &end);
        if (end == p) break;
        v = static_cast<float>(d);
        inRange = inRange && d >= 0 && d <= 1;
        ++found;
        p = end;
    }
    if (exact) *exact = found == 4 && inRange;
    auto unit = [](float v) { return v >= 0 && v <= 1 ? v : v > 1 ? 1.0f : 0.0f; }; // NaN gives 0
    return QColor::fromRgbF(unit(c[0]), unit(c[1]), unit(c[2]), unit(c[3]));
}

QByteArray imageToStorage(const QImage& image) {
    QByteArray out;
    QBuffer buffer(&out);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "tiff");
    writer.setCompression(1); // LZW
    if (!writer.write(image)) {
        qWarning().noquote() << QStringLiteral("Cannot store an image as TIFF: %1").arg(writer.errorString());
        return {};
    }
    return out;
}

QImage imageFromStorage(const QByteArray& data) {
    QBuffer buffer;
    buffer.setData(data);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    return reader.read();
}

std::optional<QVariant> toStorage(const QVariant& live) {
    switch (live.typeId()) {
    case QMetaType::QColor: {
        QString s = colorToStorage(live.value<QColor>());
        if (s.isEmpty()) return std::nullopt;
        return QVariant(s);
    }
    case QMetaType::QImage: {
        QByteArray d = imageToStorage(live.value<QImage>());
        if (d.isEmpty()) return std::nullopt;
        return QVariant(d);
    }
    case QMetaType::Double:
    case QMetaType::Float:
    case QMetaType::Int:
    case QMetaType::LongLong:
    case QMetaType::Bool:
        return live;
    case QMetaType::QString:
        return live;
    default:
        return std::nullopt;
    }
}

bool fitsStorage(const QVariant& stored, const plist::Limits& limits) {
    if (stored.typeId() == QMetaType::QString) return stored.toString().size() <= limits.stringChars;
    if (stored.typeId() == QMetaType::QByteArray) return stored.toByteArray().size() <= limits.dataBytes;
    return true;
}

} // namespace tarnvik
