#include "render/LayerValues.h"

#include "render/CompositionRenderer.h"
#include "render/StorageForms.h"

#include <QImage>
#include <QtDebug>

namespace tarnvik {

bool isSetting(const CompositionRenderer& renderer, const QString& key) {
    return !key.startsWith(QLatin1String("HIDDEN_")) && renderer.attributes().value(key).type != PortType::Other;
}

QVariantMap layerValues(const CompositionRenderer& renderer, bool storage, const plist::Limits& limits) {
    QVariantMap out;
    for (const QString& key : renderer.inputKeys()) {
        if (!isSetting(renderer, key)) continue;
        const QVariant v = renderer.valueForInputKey(key);
        if (!v.isValid() || v.isNull()) continue;
        if (!storage) {
            out.insert(key, v);
        } else if (auto s = toStorage(v)) {
            // The file would be refused whole at the next start.
            if (fitsStorage(*s, limits))
                out.insert(key, *s);
            else
                qWarning().noquote() << QStringLiteral("Value of \"%1\" not kept: too large for the settings file")
                                            .arg(key);
        }
    }
    return out;
}

QVariantMap storedForm(const QVariantMap& values, const plist::Limits& limits) {
    QVariantMap out;
    for (auto it = values.begin(); it != values.end(); ++it) {
        if (it->typeId() != QMetaType::QColor && it->typeId() != QMetaType::QImage) {
            out.insert(it.key(), *it);
        } else if (auto s = toStorage(*it); s && fitsStorage(*s, limits)) {
            out.insert(it.key(), *s);
        }
    }
    return out;
}

QList<ValueReset> setLayerValues(CompositionRenderer& renderer, const QVariantMap& values) {
    QList<ValueReset> resets;
    for (const QString& key : renderer.inputKeys()) {
        auto it = values.constFind(key);
        if (it == values.constEnd() || !isSetting(renderer, key)) continue;
        QVariant v = *it;
        const InputAttributes a = renderer.attributes().value(key);
        if (a.type == PortType::Image && v.typeId() == QMetaType::QByteArray) {
            const QImage img = imageFromStorage(v.toByteArray());
            v = img.isNull() ? QVariant() : QVariant(img);
        } else if (a.type == PortType::Color && v.typeId() == QMetaType::QString) {
            v = colorFromStorage(v.toString());
        }
        renderer.setValue(key, v);
        const QVariant accepted = renderer.valueForInputKey(key);
        if (!takenAsStored(a.type, *it, accepted))
            resets << ValueReset{{}, a.name.isEmpty() ? key : a.name, describeStored(*it),
                                 describeUsed(a.type, accepted)};
    }
    return resets;
}

} // namespace tarnvik
