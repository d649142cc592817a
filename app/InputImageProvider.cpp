#include "app/InputImageProvider.h"

#include <QMutexLocker>

namespace tarnvik {

QString InputImageProvider::publish(const QString& slot, const QImage& image) {
    QMutexLocker lock(&mutex_);
    if (image.isNull()) {
        images_.remove(slot);
        return {};
    }
    images_.insert(slot, image);
    // The serial makes the URL new, so that the scene does not show a cached picture.
    return QStringLiteral("image://inputs/%1/%2").arg(slot).arg(++serial_);
}

void InputImageProvider::forget(const QString& slot) {
    QMutexLocker lock(&mutex_);
    // A renderer publishes under "<slot>/<key>": all of them go with it.
    const QString prefix = slot + QLatin1Char('/');
    images_.removeIf([&](const auto& entry) { return entry.key() == slot || entry.key().startsWith(prefix); });
}

int InputImageProvider::count() const {
    QMutexLocker lock(&mutex_);
    return static_cast<int>(images_.size());
}

QImage InputImageProvider::requestImage(const QString& id, QSize* size, const QSize& requested) {
    QString slot = id.section(QLatin1Char('/'), 0, -2);
    QImage image;
    {
        QMutexLocker lock(&mutex_);
        image = images_.value(slot);
    }
    if (size) *size = image.size();
    if (!image.isNull() && requested.isValid() && requested != image.size())
        image = image.scaled(requested, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    return image;
}

} // namespace tarnvik
