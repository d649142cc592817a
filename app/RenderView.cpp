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

void RenderView::initializeGL() { blitter_.create(); }

void RenderView::paintGL() {
    QOpenGLFunctions* f = context()->functions();
    f->glClearColor(0, 0, 0, 0);
    f->glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    if (!texture_ || !blitter_.isCreated()) return;
    blitter_.bind();
    // The scene renders with OpenGL's origin at the bottom.
    blitter_.blit(texture_, QMatrix4x4(), QOpenGLTextureBlitter::OriginBottomLeft);
    blitter_.release();
}

void RenderView::resizeEvent(QResizeEvent* e) {
    QOpenGLWidget::resizeEvent(e);
    emit resized();
}

} // namespace tarnvik
