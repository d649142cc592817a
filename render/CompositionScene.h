// The one Qt Quick scene that every composition is an item of, rendered
// through QQuickRenderControl into a framebuffer of ours. One render pass
// draws the whole stack.
#pragma once

#include <QHash>
#include <QImage>
#include <QSet>
#include <QSize>
#include <QString>

#include <chrono>
#include <functional>
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
class ScriptWatchdog;

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
    // The largest side of a framebuffer OpenGL here takes (texture,
    // renderbuffer and viewport alike).
    int largestSide() const { return largestSide_; }

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

    // How long one call into a composition's script may run before it is
    // interrupted and its layer left out.
    void setScriptLimit(std::chrono::milliseconds limit);
    std::chrono::milliseconds scriptLimit() const;
    // What the user should be told about the compositions (a file that
    // cannot be loaded, an image that cannot be read, a layer whose script
    // was stopped). Each text goes out once; without a reporter it is logged.
    void setReporter(std::function<void(const QString&)> reporter) { reporter_ = std::move(reporter); }
    void report(const QString& text);

private:
    friend class CompositionRenderer;
    CompositionScene() = default;
    bool init(QSize size);
    QQuickItem* root() const;
    void attach(CompositionRenderer* r);
    void detach(CompositionRenderer* r);
    void drawn(CompositionRenderer* r);
    // Runs work that may execute script on the main thread, under the
    // watchdog; false when it was interrupted.
    bool runScript(const std::function<void()>& work);
    // Files whose scripts ran too long stay refused for the rest of the run:
    // true when the document itself hung, false when its layer did later.
    void remember(const QString& path, bool whileLoading) { refused_.insert(path, whileLoading); }

    QSize size_;
    int largestSide_ = 0;
    std::unique_ptr<QOpenGLContext> context_;
    std::unique_ptr<QOffscreenSurface> surface_;
    std::unique_ptr<QQuickRenderControl> control_;
    std::unique_ptr<QQuickWindow> window_;
    std::unique_ptr<QQmlEngine> engine_;
    std::unique_ptr<QOpenGLFramebufferObject> fbo_;
    InputImageProvider* images_ = nullptr; // owned by the engine
    std::unique_ptr<ScriptWatchdog> watchdog_; // goes before the engine it interrupts
    std::function<void(const QString&)> reporter_;
    QSet<QString> reported_;
    QHash<QString, bool> refused_;
    std::vector<CompositionRenderer*> renderers_;
    std::vector<CompositionRenderer*> thisFrame_;
};

} // namespace tarnvik
