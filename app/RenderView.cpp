#include "app/RenderView.h"

#include <QOpenGLContext>
#include <QOpenGLFunctions>

namespace tarnvik {

RenderView::RenderView(QWidget* parent) : QOpenGLWidget(parent) {}

RenderView::~RenderView() {
    makeCurrent();
    if (blitter_.isCreated()) blitter_.destroy();
    doneCurrent();
}

void RenderView::showFrame(unsigned texture) {
    texture_ = texture;
    update();
}

void RenderView::setPictureSize(QSize size) {
    if (size.isEmpty() || size == picture_) return;
    picture_ = size;
    update();
}

QRect RenderView::pictureRect() const {
    const QSize shown = picture_.scaled(size(), Qt::KeepAspectRatio);
    return QRect(QPoint((width() - shown.width()) / 2, (height() - shown.height()) / 2), shown);
}

void RenderView::initializeGL() { blitter_.create(); }

void RenderView::paintGL() {
    QOpenGLFunctions* f = context()->functions();
    f->glClearColor(0, 0, 0, 0);
    f->glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    if (!texture_ || !blitter_.isCreated()) return;
    // Scaled smoothly; at its own size every pixel still lands on its own.
    f->glBindTexture(GL_TEXTURE_2D, texture_);
    f->glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    f->glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    f->glBindTexture(GL_TEXTURE_2D, 0);
    blitter_.bind();
    // The scene renders with OpenGL's origin at the bottom.
    blitter_.blit(texture_, QOpenGLTextureBlitter::targetTransform(pictureRect(), rect()),
                  QOpenGLTextureBlitter::OriginBottomLeft);
    blitter_.release();
}

} // namespace tarnvik
