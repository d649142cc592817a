// Reads a rectangle of the screen as it is displayed, windows in front of
// the render view included, and writes it out as a picture file on the
// Desktop. The buffer holds 4 bytes a pixel, B, G, R, X (QImage's RGB32),
// bottom row first after a read; each write flips it in place and writes it,
// so the file is the right way up, and a second write of the same read
// comes out upside down.
#pragma once

#include <QImage>
#include <QRect>
#include <QRectF>
#include <QString>

#include <functional>

namespace tarnvik {

class OpenGLScreenReader {
public:
    // Grabs a rectangle of the screen, in Qt's logical coordinates; a null
    // image when the screen cannot be read.
    using ScreenGrab = std::function<QImage(const QRect&)>;

    // The rectangle is in screen coordinates, y growing downward; its size
    // is truncated to whole pixels. An empty folder is the user's Desktop.
    explicit OpenGLScreenReader(const QRectF& rect, const QString& desktopFolder = QString());

    int width() const { return rect_.width(); }
    int height() const { return rect_.height(); }
    const QString& desktopFolder() const { return desktop_; }
    void setDesktopFolder(const QString& folder);
    // Replaces QScreen::grabWindow(), which needs a screen to read.
    void setScreenGrab(ScreenGrab grab) { grab_ = std::move(grab); }

    // Where the screen gives nothing (no screen, or a compositor that does
    // not let programs read it, as on Wayland) the buffer takes the
    // fallback's image instead, logged. False when there is neither.
    bool readFullScreenToBuffer(const std::function<QImage()>& fallback = {});
    // Reverses the rows in place; the middle row of an odd height stays.
    void flipImageData();
    // Flips the buffer and writes it as "<Desktop>/<name>.png", making the
    // folder when it is missing. False, logged, when it cannot be written.
    bool createTIFFImageFileOnDesktopWithName(const QString& name);

    const QImage& buffer() const { return buffer_; }
    QString filePath(const QString& name) const;

    // QScreen::grabWindow() of the screen holding the rectangle.
    static QImage grabScreen(const QRect& rect);

private:
    QRect rect_;
    QString desktop_;
    ScreenGrab grab_;
    QImage buffer_;
};

} // namespace tarnvik
