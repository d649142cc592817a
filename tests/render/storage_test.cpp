// What the settings file keeps of a colour and of an image.
#include "render/StorageForms.h"

#include <QtEndian>
#include <gtest/gtest.h>

using namespace tarnvik;

namespace {

TEST(ColorStorage, PrintsWithPercentGAndReadsLooselyWithMissingNumbersZero) {
    struct Case {
        const char* text;
        float r, g, b, a;
        bool printed; // the colour prints as this text, and reads back exactly
    } cases[] = {
        {"R=1 G=0.5 B=0 A=1", 1, 0.5f, 0, 1, true},
        {"R=0 G=0 B=0 A=0", 0, 0, 0, 0, true},
        {"R=0.25 G=0.75 B=1 A=0.125", 0.25f, 0.75f, 1, 0.125f, true},
        {"1 0.5 0 1", 1, 0.5f, 0, 1, false},
        {"RGBA==  0.5", 0.5f, 0, 0, 0, false},
        {"R=0.2 G=0.4", 0.2f, 0.4f, 0, 0, false},
        {"R=7 G=-1 B=nan A=1", 1, 0, 0, 1, false},
        {"", 0, 0, 0, 0, false},
    };
    for (const Case& c : cases) {
        const QColor col = colorFromStorage(c.text);
        EXPECT_NEAR(col.redF(), c.r, 1e-4) << c.text;
        EXPECT_NEAR(col.greenF(), c.g, 1e-4) << c.text;
        EXPECT_NEAR(col.blueF(), c.b, 1e-4) << c.text;
        EXPECT_NEAR(col.alphaF(), c.a, 1e-4) << c.text;
        if (c.printed) {
            const QColor exact = QColor::fromRgbF(c.r, c.g, c.b, c.a);
            EXPECT_EQ(colorToStorage(exact), c.text);
            EXPECT_EQ(col, exact) << c.text;
        }
    }
    EXPECT_EQ(colorToStorage(QColor()), QString());
}

// The value of TIFF tag 259 (compression) in the first directory.
int tiffCompression(const QByteArray& d) {
    if (d.size() < 8) return -1;
    bool little = d.startsWith("II");
    auto u16 = [&](int at) {
        auto p = reinterpret_cast<const uchar*>(d.constData() + at);
        return little ? qFromLittleEndian<quint16>(p) : qFromBigEndian<quint16>(p);
    };
    auto u32 = [&](int at) {
        auto p = reinterpret_cast<const uchar*>(d.constData() + at);
        return little ? qFromLittleEndian<quint32>(p) : qFromBigEndian<quint32>(p);
    };
    int ifd = static_cast<int>(u32(4));
    int n = u16(ifd);
    for (int i = 0; i < n; ++i)
        if (u16(ifd + 2 + 12 * i) == 259) return u16(ifd + 2 + 12 * i + 8);
    return -1;
}

TEST(ImageStorage, LzwTiffThatReadsBack) {
    QImage img(7, 5, QImage::Format_ARGB32);
    img.fill(QColor(10, 200, 30));
    QByteArray d = imageToStorage(img);
    ASSERT_FALSE(d.isEmpty()) << "the TIFF image plugin is missing";
    EXPECT_EQ(tiffCompression(d), 5);
    QImage back = imageFromStorage(d);
    ASSERT_EQ(back.size(), img.size());
    EXPECT_EQ(back.pixelColor(3, 2).rgba(), img.pixelColor(3, 2).rgba());
    EXPECT_TRUE(imageFromStorage("this is no image").isNull());
}

} // namespace
