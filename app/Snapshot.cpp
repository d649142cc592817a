#include "app/Snapshot.h"

#include "export/OpenGLScreenReader.h"

#include <QWidget>

namespace tarnvik {

QString snapshotFileName(const QDateTime& now) {
    const QString stamp = now.toLocalTime().toString(QStringLiteral("yyyy-MM-dd HH-mm-ss"));
    return QStringLiteral("Tarnvik Snapshot (%1)").arg(stamp);
}

bool saveSnapshot(QWidget* view, const std::function<QImage()>& fallbackFrame, const QDateTime& now,
                  const QString& desktopFolder) {
    if (!view) return false;
    // Logical coordinates, as grabWindow() takes them, whatever the screen's
    // device pixel ratio.
    const QRectF rect(view->mapToGlobal(QPoint(0, 0)), view->size());
    OpenGLScreenReader reader(rect, desktopFolder);
    return reader.readFullScreenToBuffer(fallbackFrame) &&
           reader.createTIFFImageFileOnDesktopWithName(snapshotFileName(now));
}

} // namespace tarnvik
