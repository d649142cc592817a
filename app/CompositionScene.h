// The one Qt Quick scene that every composition is an item of, rendered
// through QQuickRenderControl into a framebuffer of ours. One render pass
// draws the whole stack.
#pragma once

#include <QImage>
#include <QSize>

#include <memory>
#include <vector>

class QOffscreenSurface;
class QOpenGLContext;
class QOpenGLFramebufferObject;
class QQmlEngine;
class QQuickItem;
class QQuickRenderControl;
class QQuickWindow;

namespace tarnvik {

class CompositionRenderer;
class InputImageProvider;

class CompositionScene {
public:
    // Null when no OpenGL context can be made; the reason is logged.
    static std::unique_ptr<CompositionScene> create(QSize size);
    ~CompositionScene();
    CompositionScene(const CompositionScene&) = delete;
    CompositionScene& operator=(const CompositionScene&) = delete;

    QSize size() const { return size_; }
    // Changes the size of the framebuffer; false when it cannot be made.
    bool setSize(QSize size);

    // Draws, in one pass, the compositions rendered since the last frame,
    // each above the ones rendered before it. Compositions that were not
    // rendered in this frame are left out. False on an OpenGL failure.
    bool finishFrame();
    // The last finished frame, top row first.
    QImage image();

    QQmlEngine* engine() const { return engine_.get(); }
    QOpenGLContext* context() const { return context_.get(); }
    bool makeCurrent();
    unsigned framebufferId() const;
    // The colour texture of the finished frame, in the share group of the
    // global share context.
    unsigned texture() const;

private:
    friend class CompositionRenderer;
    CompositionScene() = default;
    bool init(QSize size);
    QQuickItem* root() const;
    void attach(CompositionRenderer* r);
    void detach(CompositionRenderer* r);
    void drawn(CompositionRenderer* r);

    QSize size_;
    std::unique_ptr<QOpenGLContext> context_;
    std::unique_ptr<QOffscreenSurface> surface_;
    std::unique_ptr<QQuickRenderControl> control_;
    std::unique_ptr<QQuickWindow> window_;
    std::unique_ptr<QQmlEngine> engine_;
    std::unique_ptr<QOpenGLFramebufferObject> fbo_;
    InputImageProvider* images_ = nullptr; // owned by the engine
    std::vector<CompositionRenderer*> renderers_;
    std::vector<CompositionRenderer*> thisFrame_;
};

} // namespace tarnvik
