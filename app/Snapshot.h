// Saves what the render view shows on screen, with any window in front of
// it, as a PNG on the Desktop named after the moment it was taken.
#pragma once

#include <QDateTime>
#include <QImage>
#include <QString>

#include <functional>

class QWidget;

namespace tarnvik {

// "Tarnvik Snapshot (2008-03-14 15-09-26)": local time, 24-hour clock.
QString snapshotFileName(const QDateTime& now);

// Reads the view's rectangle from the screen, or takes fallbackFrame() where
// the screen cannot be read, and writes "<desktopFolder>/<name>.png"; an
// empty folder is the user's Desktop. False, logged, when nothing was written.
bool saveSnapshot(QWidget* view, const std::function<QImage()>& fallbackFrame, const QDateTime& now,
                  const QString& desktopFolder = QString());
// The same for a part of the view, in its coordinates.
bool saveSnapshot(QWidget* view, const QRect& area, const std::function<QImage()>& fallbackFrame, const QDateTime& now,
                  const QString& desktopFolder = QString());
// Writes the rendered frame itself, at its own size, the same way: for a
// picture the screen shows scaled.
bool saveFrameSnapshot(const QImage& frame, const QDateTime& now, const QString& desktopFolder = QString());

} // namespace tarnvik
