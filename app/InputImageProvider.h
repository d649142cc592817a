// Hands the images of image inputs to the scene: QML shows images by URL, so
// each image input is published as "image://inputs/<id>" with a serial that
// changes with the picture.
#pragma once

#include <QHash>
#include <QImage>
#include <QMutex>
#include <QQuickImageProvider>

namespace tarnvik {

class InputImageProvider : public QQuickImageProvider {
public:
    InputImageProvider() : QQuickImageProvider(QQuickImageProvider::Image) {}

    // Stores the image and returns the URL that shows it; an empty text for
    // a null image.
    QString publish(const QString& slot, const QImage& image);
    // Drops the slot's image and those published under "<slot>/...".
    void forget(const QString& slot);
    int count() const; // images held (tests)

    QImage requestImage(const QString& id, QSize* size, const QSize& requested) override;

private:
    mutable QMutex mutex_;
    QHash<QString, QImage> images_;
    quint64 serial_ = 0;
};

} // namespace tarnvik
