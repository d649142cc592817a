// The main window's picture: shows the frame that the composition scene
// finished, drawn straight from the scene's texture (the contexts share).
#pragma once

#include <QOpenGLTextureBlitter>
#include <QOpenGLWidget>

namespace tarnvik {

class RenderView : public QOpenGLWidget {
    Q_OBJECT
public:
    explicit RenderView(QWidget* parent = nullptr);
    ~RenderView() override;

    // Shows the texture (0: a cleared view) at the next repaint.
    void showFrame(unsigned texture);

signals:
    void resized();

protected:
    void initializeGL() override;
    void paintGL() override;
    void resizeEvent(QResizeEvent* e) override;

private:
    QOpenGLTextureBlitter blitter_;
    unsigned texture_ = 0;
};

} // namespace tarnvik
