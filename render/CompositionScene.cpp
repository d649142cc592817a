#include "render/CompositionScene.h"

#include "render/CompositionRenderer.h"
#include "render/InputImageProvider.h"
#include "render/ScriptWatchdog.h"
#include "render/VideoSourceItem.h"

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
    if (context_->makeCurrent(surface_.get())) {
        QOpenGLFunctions* f = context_->functions();
        GLint texture = 0, renderbuffer = 0, viewport[2] = {0, 0};
        f->glGetIntegerv(GL_MAX_TEXTURE_SIZE, &texture);
        f->glGetIntegerv(GL_MAX_RENDERBUFFER_SIZE, &renderbuffer);
        f->glGetIntegerv(GL_MAX_VIEWPORT_DIMS, viewport);
        largestSide_ = std::min({texture, renderbuffer, viewport[0], viewport[1]});
    }
    control_ = std::make_unique<QQuickRenderControl>();
    window_ = std::make_unique<QQuickWindow>(control_.get());
    window_->setGraphicsDevice(QQuickGraphicsDevice::fromOpenGLContext(context_.get()));
    window_->setColor(Qt::transparent);
    if (!control_->initialize()) {
        qWarning("Cannot start rendering the compositions into OpenGL");
        return false;
    }
    engine_ = std::make_unique<QQmlEngine>();
    QQmlEngine* engine = engine_.get();
    watchdog_ = std::make_unique<ScriptWatchdog>([engine](bool stop) { engine->setInterrupted(stop); });
    images_ = new InputImageProvider;
    engine_->addImageProvider(QStringLiteral("inputs"), images_);
    VideoSourceItem::registerQmlType();
    return setSize(size);
}

CompositionScene::~CompositionScene() {
    // Renderers are owned elsewhere and must be gone; drop what is left so
    // that the scene graph is torn down with a current context.
    watchdog_.reset();
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
    runScript([&] { window_->contentItem()->setSize(size); });
    for (CompositionRenderer* r : std::vector(renderers_))
        if (!runScript([&] { r->item()->setSize(size); })) r->refuse();
    return true;
}

void CompositionScene::setScriptLimit(std::chrono::milliseconds limit) { watchdog_->setLimit(limit); }

std::chrono::milliseconds CompositionScene::scriptLimit() const {
    return std::chrono::duration_cast<std::chrono::milliseconds>(watchdog_->limit());
}

bool CompositionScene::runScript(const std::function<void()>& work) {
    const bool finished = watchdog_->run(work);
    // Quitting: every binding now fails, and saying so for each one helps nobody.
    if (watchdog_->stoppedForQuit() && engine_->outputWarningsToStandardError())
        engine_->setOutputWarningsToStandardError(false);
    return finished;
}

void CompositionScene::report(const QString& text) {
    if (reported_.contains(text)) return;
    reported_.insert(text);
    if (reporter_) reporter_(text);
    else qWarning().noquote() << text;
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
    // A layer whose script hangs while it is shown or hidden is left out.
    for (CompositionRenderer* r : std::vector(renderers_))
        if (!runScript([r] { r->item()->setVisible(false); })) r->refuse();
    int z = 0;
    for (CompositionRenderer* r : std::vector(thisFrame_)) {
        if (!r->item()) continue;
        if (!runScript([r, &z] {
                r->item()->setZ(z++);
                r->item()->setVisible(true);
            }))
            r->refuse();
    }
    thisFrame_.clear();
    if (!makeCurrent()) return false;
    const bool finished = runScript([this] {
        control_->polishItems();
        control_->beginFrame();
        control_->sync();
        control_->render();
        control_->endFrame();
    });
    if (!finished)
        report(QStringLiteral("A composition's script ran for more than %1 s while the frame was drawn and was stopped.")
                   .arg(scriptLimit().count() / 1000.0));
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
