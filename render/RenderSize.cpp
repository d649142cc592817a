#include "render/RenderSize.h"

namespace tarnvik {

const QList<QSize>& typicalRenderSizes() {
    static const QList<QSize> sizes{{720, 576}, {1280, 720}, {1920, 1080}, {3840, 2160}};
    return sizes;
}

QString sizeText(QSize size) { return QStringLiteral("%1×%2").arg(size.width()).arg(size.height()); }

QString renderSizeProblem(QSize size, int openGLLargest) {
    if (size.width() < kLeastRenderSide || size.height() < kLeastRenderSide)
        return QStringLiteral("it must be at least %1").arg(sizeText({kLeastRenderSide, kLeastRenderSide}));
    if (openGLLargest > 0 && (size.width() > openGLLargest || size.height() > openGLLargest))
        return QStringLiteral("OpenGL here takes at most %1").arg(sizeText({openGLLargest, openGLLargest}));
    if (size.width() > kMostRenderSide || size.height() > kMostRenderSide)
        return QStringLiteral("the encoders take at most %1").arg(sizeText({kMostRenderSide, kMostRenderSide}));
    if (size.width() % 2 || size.height() % 2) return QStringLiteral("the encoders need an even width and height");
    return {};
}

} // namespace tarnvik
