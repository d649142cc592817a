#include "app/Snapshot.h"

#include "export/OpenGLScreenReader.h"

#include <QWidget>
#include <QtDebug>

namespace tarnvik {

QString snapshotFileName(const QDateTime& now) {
    const QString stamp = now.toLocalTime().toString(QStringLiteral("yyyy-MM-dd HH-mm-ss"));
    return QStringLiteral("Tarnvik Snapshot (%1)").arg(stamp);
}

bool saveSnapshot(QWidget* view, const std::function<QImage()>& fallbackFrame, const QDateTime& now,
                  const QString& desktopFolder) {
    return view && saveSnapshot(view, view->rect(), fallbackFrame, now, desktopFolder);
}

bool saveSnapshot(QWidget* view, const QRect& area, const std::function<QImage()>& fallbackFrame, const QDateTime& now,
                  const QString& desktopFolder) {
    if (!view) return false;
    // Logical coordinates, as grabWindow() takes them, whatever the screen's
    // device pixel ratio.
    const QRectF rect(view->mapToGlobal(area.topLeft()), area.size());
    OpenGLScreenReader reader(rect, desktopFolder);
    return reader.readFullScreenToBuffer(fallbackFrame) &&
           reader.createTIFFImageFileOnDesktopWithName(snapshotFileName(now));
}

bool saveFrameSnapshot(const QImage& frame, const QDateTime& now, const QString& desktopFolder) {
    if (frame.isNull()) {
        qWarning("Cannot save a snapshot: no frame has been rendered");
        return false;
    }
    OpenGLScreenReader reader(QRectF(QPointF(0, 0), frame.size()), desktopFolder);
    reader.setScreenGrab([&frame](const QRect&) { return frame; });
    return reader.readFullScreenToBuffer([&frame] { return frame; }) &&
           reader.createTIFFImageFileOnDesktopWithName(snapshotFileName(now));
}

} // namespace tarnvik
