// Renders the six overlay compositions once, offscreen, and writes the
// picture as PNG: a quick look at the whole stack without the application.
//
//   tarnvik-stack OUT.png [WIDTHxHEIGHT] [SECONDS]
#include "render/CompositionScene.h"
#include "render/LayerStack.h"
#include "render/NavigationFeed.h"

#include <QGuiApplication>
#include <QImage>
#include <QRegularExpression>
#include <QtDebug>

#include <cstdio>

using namespace tarnvik;

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() < 2 || args.size() > 4) {
        std::fprintf(stderr, "usage: tarnvik-stack OUT.png [WIDTHxHEIGHT] [SECONDS]\n");
        return 2;
    }
    QSize size(720, 576);
    if (args.size() > 2) {
        auto m = QRegularExpression(QStringLiteral("^(\\d{1,5})x(\\d{1,5})$")).match(args[2]);
        if (!m.hasMatch() || m.captured(1).toInt() < 16 || m.captured(2).toInt() < 16) {
            std::fprintf(stderr, "tarnvik-stack: size must be WIDTHxHEIGHT, at least 16x16\n");
            return 2;
        }
        size = QSize(m.captured(1).toInt(), m.captured(2).toInt());
    }
    const double seconds = args.size() > 3 ? args[3].toDouble() : 1.0;

    auto scene = CompositionScene::create(size);
    if (!scene) return 1;
    LayerStack stack;
    stack.load(scene.get());
    for (const QString& name : stack.names())
        if (!stack.renderer(name))
            qWarning().noquote() << QStringLiteral("Failed loading composition \"%1\"").arg(name);
    // Sample values in place of the navigation feed.
    stack.showNavigation(fixedOverlay(QStringLiteral(" 59°54.1234 N"), QStringLiteral(" 10°43.5678 E"), 37.5));
    // Canvas items paint in one frame and show in the next: draw a few.
    for (int frame = 0; frame < 3; ++frame) {
        stack.renderAtTime(seconds);
        if (!scene->finishFrame()) return 1;
    }
    const QImage image = scene->image();
    if (image.isNull() || !image.save(args[1], "PNG")) {
        std::fprintf(stderr, "tarnvik-stack: cannot write %s\n", qPrintable(args[1]));
        return 1;
    }
    const qsizetype all = stack.names().size();
    std::printf("%s: %dx%d, %zu of %lld layers\n", qPrintable(args[1]), size.width(), size.height(), stack.count(),
                static_cast<long long>(all));
    return stack.count() == static_cast<size_t>(all) ? 0 : 1;
}
