#include "export/OpenGLScreenReader.h"
#include "tests/export/log_capture.h"

#include <QFile>
#include <QImage>
#include <QPainter>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace tarnvik;
using tarnvik::test::LogCapture;

namespace {

const QRgb kRed = qRgb(255, 0, 0), kBlue = qRgb(0, 0, 255), kBlack = qRgb(0, 0, 0);

QImage redOverBlue(QSize size) {
    QImage image(size, QImage::Format_RGB32);
    image.fill(kBlue);
    QPainter(&image).fillRect(0, 0, size.width(), size.height() / 2, QColor(kRed));
    return image;
}

class ScreenReaderTest : public testing::Test {
protected:
    // Reads and writes "<name>.png", returning what the file holds.
    QImage write(OpenGLScreenReader& reader, const QString& name) {
        if (!reader.createTIFFImageFileOnDesktopWithName(name)) return QImage();
        return QImage(reader.filePath(name));
    }
    QString desktop() const { return dir.filePath(QStringLiteral("Desktop")); }
    QTemporaryDir dir;
};

TEST_F(ScreenReaderTest, TheBufferIsBottomRowFirstUntilFlipped) {
    for (int height : {1, 2, 3, 4, 7}) {
        SCOPED_TRACE(height);
        QImage source(3, height, QImage::Format_RGB32);
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < 3; ++x) source.setPixel(x, y, qRgb(y * 30, 255 - y, x));
        // The size is truncated to whole pixels.
        OpenGLScreenReader reader(QRectF(0.4, 0.9, 3.7, height + 0.2), desktop());
        QRect asked;
        reader.setScreenGrab([&](const QRect& r) { return asked = r, source; });
        ASSERT_TRUE(reader.readFullScreenToBuffer());
        EXPECT_EQ(asked.size(), QSize(3, height));
        EXPECT_EQ(reader.buffer(), source.mirrored(false, true));
        reader.flipImageData();
        EXPECT_EQ(reader.buffer(), source);
    }
}

TEST_F(ScreenReaderTest, WhereTheScreenGivesNothingTheRenderedFrameIsUsed) {
    QImage transparent(40, 30, QImage::Format_ARGB32), black(40, 30, QImage::Format_RGB32);
    transparent.fill(0);
    black.fill(Qt::black);
    // At twice the size, as a view with a device pixel ratio of 2 renders it.
    const QImage rendered = redOverBlue(QSize(80, 60));
    const struct {
        const char* what;
        QImage grab, fallback;
        QRgb top, bottom; // QRgb 1: nothing read
        int logLines;
    } cases[] = {
        {"no image", QImage(), rendered, kRed, kBlue, 1},
        {"a transparent image", transparent, rendered, kRed, kBlue, 1},
        {"a black screen is a picture", black, rendered, kBlack, kBlack, 0},
        {"no image and no frame", QImage(), QImage(), 1, 1, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        OpenGLScreenReader reader(QRectF(5, 5, 40, 30), desktop());
        QRect asked;
        reader.setScreenGrab([&](const QRect& r) { return asked = r, c.grab; });
        LogCapture log;
        const bool read = reader.readFullScreenToBuffer([&] { return c.fallback; });
        EXPECT_EQ(asked, QRect(5, 5, 40, 30));
        EXPECT_EQ(LogCapture::lines().size(), c.logLines) << LogCapture::text();
        const QImage file = write(reader, QString::fromLatin1(c.what));
        if (c.top == 1) {
            EXPECT_FALSE(read);
            EXPECT_TRUE(file.isNull());
            continue;
        }
        ASSERT_EQ(file.size(), QSize(40, 30));
        EXPECT_EQ(file.pixel(20, 0), c.top);
        EXPECT_EQ(file.pixel(20, 29), c.bottom);
    }
}

TEST_F(ScreenReaderTest, TheDesktopFolderIsMadeWhereItCanBe) {
    QFile plain(dir.filePath(QStringLiteral("plain")));
    ASSERT_TRUE(plain.open(QIODevice::WriteOnly));
    plain.close();
    const struct {
        QString folder;
        bool written;
    } cases[] = {{dir.filePath(QStringLiteral("a/b/Desktop")), true},
                 {plain.fileName() + QStringLiteral("/Desktop"), false}}; // no folder inside a file
    for (const auto& c : cases) {
        OpenGLScreenReader reader(QRectF(0, 0, 8, 6), c.folder);
        reader.setScreenGrab([](const QRect& r) { return redOverBlue(r.size()); });
        ASSERT_TRUE(reader.readFullScreenToBuffer());
        LogCapture log;
        EXPECT_EQ(write(reader, QStringLiteral("snap")).size(), c.written ? QSize(8, 6) : QSize(0, 0));
        EXPECT_EQ(LogCapture::lines().size(), c.written ? 0 : 1);
        EXPECT_EQ(LogCapture::text().find(reader.filePath(QStringLiteral("snap")).toStdString()) != std::string::npos,
                  !c.written);
    }
}

} // namespace
