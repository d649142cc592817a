#include "export/OpenGLScreenReader.h"

#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QImageWriter>
#include <QPixmap>
#include <QScreen>
#include <QStandardPaths>
#include <QtGlobal>

#include <algorithm>

namespace tarnvik {

namespace {

// A grab that gave nothing: null, or every pixel zero, alpha included, which
// is what a compositor hands out for a screen it will not show. A black
// screen is opaque, so it does not look like this.
bool isEmptyGrab(const QImage& image) {
    if (image.isNull()) return true;
    const QImage argb = image.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < argb.height(); ++y) {
        const QRgb* row = reinterpret_cast<const QRgb*>(argb.constScanLine(y));
        if (std::any_of(row, row + argb.width(), [](QRgb p) { return p != 0; })) return false;
    }
    return true;
}

// The buffer's layout at the rectangle's size. A screen with a device pixel
// ratio above 1 grabs more pixels than the logical rectangle has.
QImage toBuffer(const QImage& image, const QSize& size) {
    QImage rgb = image.convertToFormat(QImage::Format_RGB32);
    if (rgb.size() != size) rgb = rgb.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    rgb.setDevicePixelRatio(1);
    return rgb;
}

} // namespace

OpenGLScreenReader::OpenGLScreenReader(const QRectF& rect, const QString& desktopFolder)
    : rect_(int(rect.x()), int(rect.y()), int(rect.width()), int(rect.height())), grab_(&grabScreen) {
    setDesktopFolder(desktopFolder);
}

void OpenGLScreenReader::setDesktopFolder(const QString& folder) {
    desktop_ = folder.isEmpty() ? QStandardPaths::writableLocation(QStandardPaths::DesktopLocation) : folder;
}

QString OpenGLScreenReader::filePath(const QString& name) const {
    return QDir(desktop_).filePath(name + QStringLiteral(".png"));
}

QImage OpenGLScreenReader::grabScreen(const QRect& rect) {
    QScreen* screen = QGuiApplication::screenAt(rect.center());
    if (!screen) screen = QGuiApplication::primaryScreen();
    if (!screen) return QImage();
    // Window 0 is the whole screen, and the offset is from the screen's own
    // top-left corner.
    const QPoint origin = rect.topLeft() - screen->geometry().topLeft();
    return screen->grabWindow(0, origin.x(), origin.y(), rect.width(), rect.height()).toImage();
}

bool OpenGLScreenReader::readFullScreenToBuffer(const std::function<QImage()>& fallback) {
    if (rect_.isEmpty()) {
        qWarning("Cannot read the screen: the rectangle %dx%d is empty", rect_.width(), rect_.height());
        return false;
    }
    QImage image = grab_ ? grab_(rect_) : QImage();
    if (isEmptyGrab(image)) {
        image = fallback ? fallback() : QImage();
        if (image.isNull()) {
            qWarning("Cannot read the screen, and there is no rendered frame to use instead");
            return false;
        }
        qWarning("Cannot read the screen; using the rendered frame instead, without the windows in front of it");
    }
    buffer_ = toBuffer(image, rect_.size());
    // Kept bottom row first, as OpenGL reads it: the write flips it back.
    flipImageData();
    return true;
}

void OpenGLScreenReader::flipImageData() {
    if (buffer_.isNull()) return;
    const qsizetype bytes = buffer_.bytesPerLine();
    for (int top = 0, bottom = buffer_.height() - 1; top < bottom; ++top, --bottom)
        std::swap_ranges(buffer_.scanLine(top), buffer_.scanLine(top) + bytes, buffer_.scanLine(bottom));
}

bool OpenGLScreenReader::createTIFFImageFileOnDesktopWithName(const QString& name) {
    const QString path = filePath(name);
    const QByteArray file = QFile::encodeName(path);
    if (buffer_.isNull()) {
        qWarning("Cannot write \"%s\": nothing has been read from the screen", file.constData());
        return false;
    }
    if (!QDir().mkpath(desktop_)) {
        qWarning("Cannot write \"%s\": the folder \"%s\" cannot be made", file.constData(),
                 QFile::encodeName(desktop_).constData());
        return false;
    }
    flipImageData();
    QImageWriter writer(path, "png");
    if (!writer.write(buffer_)) {
        qWarning("Cannot write \"%s\": %s", file.constData(), qPrintable(writer.errorString()));
        return false;
    }
    return true;
}

} // namespace tarnvik
