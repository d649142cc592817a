#include "render/SettingsCheck.h"

#include "render/LayerStack.h"
#include "render/StorageForms.h"
#include "render/UserDefaults.h"

#include <QColor>
#include <QImage>

namespace tarnvik {

namespace {

bool isNumber(const QVariant& v) {
    switch (v.typeId()) {
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Double:
    case QMetaType::Float:
        return true;
    default:
        return false;
    }
}

QString quoted(const QString& text) {
    constexpr int kShown = 60;
    return QLatin1Char('"') + (text.size() > kShown ? text.left(kShown) + QChar(0x2026) : text) + QLatin1Char('"');
}

QString line(const ValueReset& r) {
    if (r.composition.isEmpty())
        return QStringLiteral("all layers: stored %1 instead of their values, using %2").arg(r.stored, r.used);
    if (r.input.isEmpty())
        return QStringLiteral("%1: stored %2 instead of its values, using %3").arg(r.composition, r.stored, r.used);
    return QStringLiteral("%1, %2: stored %3, using %4").arg(r.composition, r.input, r.stored, r.used);
}

} // namespace

bool takenAsStored(PortType type, const QVariant& stored, const QVariant& accepted) {
    switch (type) {
    case PortType::Boolean:
    case PortType::Index:
    case PortType::Number:
        // NaN compares unequal to whatever was used instead.
        if (!isNumber(stored) && !(type == PortType::Boolean && stored.typeId() == QMetaType::Bool)) return false;
        return accepted.toDouble() == stored.toDouble();
    case PortType::String:
        return stored.typeId() == QMetaType::QString && accepted.toString() == stored.toString();
    case PortType::Color:
        if (stored.typeId() == QMetaType::QColor) return accepted == stored;
        if (stored.typeId() != QMetaType::QString) return false;
        {
            bool exact = false;
            colorFromStorage(stored.toString(), &exact);
            return exact;
        }
    case PortType::Image:
        if (stored.typeId() != QMetaType::QByteArray && stored.typeId() != QMetaType::QImage) return false;
        return !accepted.value<QImage>().isNull();
    case PortType::Other:
        return true;
    }
    return true;
}

QString describeStored(const QVariant& v) {
    switch (v.typeId()) {
    case QMetaType::UnknownType: return QStringLiteral("nothing");
    case QMetaType::Bool: return v.toBool() ? QStringLiteral("true") : QStringLiteral("false");
    case QMetaType::Double:
    case QMetaType::Float: return QString::number(v.toDouble(), 'g', 12);
    case QMetaType::QString: return quoted(v.toString());
    case QMetaType::QByteArray: return QStringLiteral("%1 bytes of data").arg(v.toByteArray().size());
    case QMetaType::QVariantMap: return QStringLiteral("a dictionary");
    case QMetaType::QVariantList: return QStringLiteral("a list");
    case QMetaType::QColor: return quoted(colorToStorage(v.value<QColor>()));
    case QMetaType::QImage: return QStringLiteral("an image");
    default: return isNumber(v) ? v.toString() : QStringLiteral("a value of another kind");
    }
}

QString describeUsed(PortType type, const QVariant& accepted) {
    switch (type) {
    case PortType::Boolean: return accepted.toDouble() != 0 ? QStringLiteral("on") : QStringLiteral("off");
    case PortType::Image: {
        const QImage img = accepted.value<QImage>();
        return img.isNull() ? QStringLiteral("no image")
                            : QStringLiteral("a %1 by %2 image").arg(img.width()).arg(img.height());
    }
    default: return describeStored(accepted);
    }
}

std::vector<SettingsNotice> restoreSettings(LayerStack& layers, UserDefaults& defaults) {
    std::vector<SettingsNotice> out;
    if (!defaults.problem().isEmpty()) out.push_back({defaults.problem(), true});
    const QVariant stored = defaults.value(QStringLiteral("settings"));
    QList<ValueReset> resets;
    if (stored.typeId() == QMetaType::QVariantMap) resets = layers.setValues(stored.toMap());
    else if (stored.isValid()) resets << ValueReset{{}, {}, describeStored(stored), QStringLiteral("the defaults")};
    if (resets.isEmpty()) return out;

    // The next write replaces what was stored: the file as it was goes aside first.
    const QString kept = defaults.keepCopy();
    QString text = kept.isEmpty()
                       ? QStringLiteral("Some saved settings could not be used and were reset. The settings file "
                                        "\"%1\" could not be copied aside, so it will not be overwritten.")
                             .arg(defaults.path())
                       : QStringLiteral("Some saved settings could not be used and were reset. The settings file as "
                                        "it was is kept as \"%1\".")
                             .arg(kept);
    for (const ValueReset& r : resets) text += QLatin1Char('\n') + line(r);
    out.push_back({text, false});
    return out;
}

} // namespace tarnvik
