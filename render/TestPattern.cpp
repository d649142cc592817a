#include "render/TestPattern.h"

#include <QColor>
#include <QFont>
#include <QLinearGradient>
#include <QPainter>
#include <QString>

#include <algorithm>
#include <array>
#include <cmath>

namespace tarnvik {
namespace {

// 75 % bars, the levels a monitor is set up with.
constexpr std::array<QRgb, 7> kBars = {
    qRgb(191, 191, 191), qRgb(191, 191, 0), qRgb(0, 191, 191), qRgb(0, 191, 0),
    qRgb(191, 0, 191),   qRgb(191, 0, 0),   qRgb(0, 0, 191),
};
constexpr std::array<QRgb, 7> kCastellations = {
    qRgb(0, 0, 191),   qRgb(19, 19, 19), qRgb(191, 0, 191), qRgb(19, 19, 19),
    qRgb(0, 191, 191), qRgb(19, 19, 19), qRgb(191, 191, 191),
};
constexpr double kSweepPeriod = 4.0;
constexpr double kBoxPeriod = 6.0;

double fraction(double x) { return x - std::floor(x); }

QString clockText(double seconds) {
    const auto centis = static_cast<long long>(std::floor(seconds * 100.0));
    const long long cs = centis % 100;
    const long long s = (centis / 100) % 60;
    const long long m = (centis / 6000) % 60;
    const long long h = centis / 360000;
    return QString::asprintf("%02lld:%02lld:%02lld.%02lld", h, m, s, cs);
}

// Bars are laid out on whole pixels so that neighbouring bars never blend.
void drawBarRow(QPainter& p, const std::array<QRgb, 7>& colours, int top, int height, int width) {
    const int n = static_cast<int>(colours.size());
    for (int i = 0; i < n; ++i) {
        const int x0 = width * i / n;
        const int x1 = width * (i + 1) / n;
        p.fillRect(x0, top, x1 - x0, height, QColor(colours[static_cast<size_t>(i)]));
    }
}

} // namespace

QImage testPattern(QSize size, double seconds) {
    if (size.isEmpty()) return {};
    if (!std::isfinite(seconds) || seconds < 0) seconds = 0;
    QImage image(size, QImage::Format_RGB32);
    if (image.isNull()) return {};
    const int w = size.width();
    const int h = size.height();
    const int barsHeight = h * 2 / 3;
    const int castHeight = h / 12;
    const int rampTop = barsHeight + castHeight;
    const int rampHeight = h - rampTop;

    QPainter p(&image);
    drawBarRow(p, kBars, 0, barsHeight, w);
    drawBarRow(p, kCastellations, barsHeight, castHeight, w);

    QLinearGradient ramp(0, 0, w, 0);
    ramp.setColorAt(0, Qt::black);
    ramp.setColorAt(1, Qt::white);
    p.fillRect(0, rampTop, w, rampHeight, ramp);

    p.setRenderHint(QPainter::Antialiasing);

    // A box sliding to and fro along the ramp, dark on the light end and light on the dark.
    const double swing = fraction(seconds / kBoxPeriod) * 2.0;
    const double along = swing <= 1.0 ? swing : 2.0 - swing;
    const double box = std::max(2.0, rampHeight * 0.6);
    const double boxX = along * (w - box);
    const QRectF boxRect(boxX, rampTop + (rampHeight - box) / 2.0, box, box);
    p.fillRect(boxRect, along < 0.5 ? QColor(235, 235, 235) : QColor(16, 16, 16));

    // The sweep crosses the whole picture, so any frozen part of the scene shows.
    const double sweepX = fraction(seconds / kSweepPeriod) * w;
    const double glow = std::max(2.0, w / 40.0);
    QLinearGradient sweep(sweepX - glow, 0, sweepX + glow, 0);
    sweep.setColorAt(0, QColor(255, 255, 255, 0));
    sweep.setColorAt(0.5, QColor(255, 255, 255, 220));
    sweep.setColorAt(1, QColor(255, 255, 255, 0));
    p.fillRect(QRectF(sweepX - glow, 0, 2 * glow, h), sweep);

    QFont font(QStringLiteral("DejaVu Sans Mono"));
    font.setStyleHint(QFont::Monospace);
    font.setBold(true);
    font.setPixelSize(std::max(6, h / 12));
    p.setFont(font);
    const QString title = QStringLiteral("NO VIDEO");
    const QString clock = clockText(seconds);
    const QFontMetrics metrics(font);
    const int textW = std::max(metrics.horizontalAdvance(title), metrics.horizontalAdvance(clock));
    const int lineH = metrics.height();
    const QRectF panel((w - textW) / 2.0 - lineH / 2.0, barsHeight / 2.0 - lineH * 1.25,
                       textW + lineH, lineH * 2.5);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0, 0, 0, 190));
    p.drawRoundedRect(panel, lineH / 4.0, lineH / 4.0);
    p.setPen(Qt::white);
    p.drawText(QRectF(panel.left(), panel.top() + lineH * 0.25, panel.width(), lineH), Qt::AlignCenter, title);
    p.drawText(QRectF(panel.left(), panel.top() + lineH * 1.25, panel.width(), lineH), Qt::AlignCenter, clock);
    p.end();
    return image;
}

} // namespace tarnvik
