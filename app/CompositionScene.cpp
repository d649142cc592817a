#include "app/CompositionScene.h"

#include "app/CompositionRenderer.h"
#include "app/InputImageProvider.h"
#include "app/VideoSourceItem.h"

#include <QOffscreenSurface>
#include <QOpenGLContext>
#include <QOpenGLFramebufferObject>
#include <QOpenGLFunctions>
#include <QQmlEngine>
#include <QQuickGraphicsDevice>
#include <QQuickItem>
#include <QQuickRenderControl>
#include <QQuickRenderTarget>
#include <QQuickWindow>
#include <QtDebug>

#include <algorithm>

namespace tarnvik {

std::unique_ptr<CompositionScene> CompositionScene::create(QSize size) {
    std::unique_ptr<CompositionScene> s(new CompositionScene);
    if (!s->init(size)) return nullptr;
    return s;
}

bool CompositionScene::init(QSize size) {
    QQuickWindow::setGraphicsApi(QSGRendererInterface::OpenGL);
    QSurfaceFormat format;
    format.setDepthBufferSize(24);
    format.setStencilBufferSize(8);
    format.setAlphaBufferSize(8);
    context_ = std::make_unique<QOpenGLContext>();
    context_->setFormat(format);
    // The render view draws the scene's texture in its own context.
    if (QOpenGLContext* shared = QOpenGLContext::globalShareContext()) context_->setShareContext(shared);
    if (!context_->create()) {
        qWarning("Cannot create an OpenGL context for the compositions");
        return false;
    }
    surface_ = std::make_unique<QOffscreenSurface>();
    surface_->setFormat(context_->format());
    surface_->create();
    control_ = std::make_unique<QQuickRenderControl>();
    window_ = std::make_unique<QQuickWindow>(control_.get());
    window_->setGraphicsDevice(QQuickGraphicsDevice::fromOpenGLContext(context_.get()));
    window_->setColor(Qt::transparent);
    if (!control_->initialize()) {
        qWarning("Cannot start rendering the compositions into OpenGL");
        return false;
    }
    engine_ = std::make_unique<QQmlEngine>();
    images_ = new InputImageProvider;
    engine_->addImageProvider(QStringLiteral("inputs"), images_);
    VideoSourceItem::registerQmlType();
    return setSize(size);
}

CompositionScene::~CompositionScene() {
    // Renderers are owned elsewhere and must be gone; drop what is left so
    // that the scene graph is torn down with a current context.
    if (context_ && surface_) context_->makeCurrent(surface_.get());
    fbo_.reset();
    window_.reset();
    control_.reset();
    engine_.reset();
    if (context_) context_->doneCurrent();
}

bool CompositionScene::makeCurrent() { return context_->makeCurrent(surface_.get()); }

unsigned CompositionScene::framebufferId() const { return fbo_ ? fbo_->handle() : 0; }

unsigned CompositionScene::texture() const { return fbo_ ? fbo_->texture() : 0; }

bool CompositionScene::setSize(QSize size) {
    if (size.isEmpty()) return false;
    if (!makeCurrent()) return false;
    auto fbo = std::make_unique<QOpenGLFramebufferObject>(size, QOpenGLFramebufferObject::CombinedDepthStencil);
    if (!fbo->isValid()) {
        qWarning("Cannot create a %dx%d framebuffer", size.width(), size.height());
        return false;
    }
    fbo_ = std::move(fbo);
    size_ = size;
    window_->setRenderTarget(QQuickRenderTarget::fromOpenGLTexture(fbo_->texture(), size));
    window_->resize(size);
    window_->contentItem()->setSize(size);
    for (CompositionRenderer* r : renderers_) r->item()->setSize(size);
    return true;
}

QQuickItem* CompositionScene::root() const { return window_->contentItem(); }

void CompositionScene::attach(CompositionRenderer* r) {
    renderers_.push_back(r);
    QQuickItem* item = r->item();
    item->setParentItem(root());
    item->setSize(size_);
    item->setVisible(false);
}

void CompositionScene::detach(CompositionRenderer* r) {
    std::erase(renderers_, r);
    std::erase(thisFrame_, r);
    if (QQuickItem* item = r->item()) item->setParentItem(nullptr);
}

void CompositionScene::drawn(CompositionRenderer* r) {
    std::erase(thisFrame_, r);
    thisFrame_.push_back(r);
}

bool CompositionScene::finishFrame() {
    for (CompositionRenderer* r : renderers_) r->item()->setVisible(false);
    int z = 0;
    for (CompositionRenderer* r : thisFrame_) {
        r->item()->setZ(z++);
        r->item()->setVisible(true);
    }
    thisFrame_.clear();
    if (!makeCurrent()) return false;
    control_->polishItems();
    control_->beginFrame();
    control_->sync();
    control_->render();
    control_->endFrame();
    context_->functions()->glFlush(); // before another context shows the texture
    GLenum err = context_->functions()->glGetError();
    if (err != GL_NO_ERROR) {
        qWarning("Rendering the compositions failed with OpenGL error 0x%04X", err);
        return false;
    }
    return true;
}

QImage CompositionScene::image() {
    if (!fbo_ || !makeCurrent()) return {};
    return fbo_->toImage();
}

} // namespace tarnvik
