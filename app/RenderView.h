// The main window's picture: shows the frame that the composition scene
// finished, drawn straight from the scene's texture (the contexts share).
// The picture is scaled to fit the view with its aspect kept, black bars
// beside it; the view's size never changes the picture's.
#pragma once

#include <QOpenGLTextureBlitter>
#include <QOpenGLWidget>
#include <QSize>

namespace tarnvik {

class RenderView : public QOpenGLWidget {
    Q_OBJECT
public:
    explicit RenderView(QWidget* parent = nullptr);
    ~RenderView() override;

    // Shows the texture (0: a cleared view) at the next repaint.
    void showFrame(unsigned texture);
    // The size of the frames shown: the render size.
    void setPictureSize(QSize size);
    QSize pictureSize() const { return picture_; }
    // Where the picture shows, in the view's coordinates: as large as fits,
    // its aspect kept, in the middle.
    QRect pictureRect() const;

protected:
    void initializeGL() override;
    void paintGL() override;

private:
    QOpenGLTextureBlitter blitter_;
    unsigned texture_ = 0;
    QSize picture_{720, 576};
};

} // namespace tarnvik
