// A composition scene to read back from, filled by hand as a finished frame
// would be. Needs a display with OpenGL: run under xvfb-run.
#pragma once

#include "render/CompositionScene.h"
#include "export/GLFrameSource.h"

#include <QColor>
#include <QOpenGLContext>
#include <QOpenGLExtraFunctions>
#include <gtest/gtest.h>

#include <memory>

namespace tarnvik::test {

class GLSceneTest : public testing::Test {
protected:
    void makeScene(int width, int height) {
        scene = CompositionScene::create(QSize(width, height));
        ASSERT_TRUE(scene) << "no OpenGL: run under xvfb-run";
    }
    GLFrameSource source() const {
        CompositionScene* s = scene.get();
        return {[s] { return s->makeCurrent(); }, [s] { return s->framebufferId(); }};
    }
    QOpenGLExtraFunctions* gl() {
        scene->makeCurrent();
        return scene->context()->extraFunctions();
    }
    // One colour, with a red block of 12 × 10 in the top-left corner when
    // marked and a green one of 8 × 6 in the bottom-right when both are, so
    // that a flipped or mirrored image cannot pass for an upright one.
    void fill(QRgb c, bool marked = false, bool bothCorners = false) {
        auto* f = gl();
        const QSize size = scene->size();
        f->glBindFramebuffer(GL_FRAMEBUFFER, scene->framebufferId());
        f->glClearColor(qRed(c) / 255.f, qGreen(c) / 255.f, qBlue(c) / 255.f, qAlpha(c) / 255.f);
        f->glClear(GL_COLOR_BUFFER_BIT);
        f->glEnable(GL_SCISSOR_TEST);
        if (marked) {
            f->glScissor(0, size.height() - 10, 12, 10); // GL's y grows upward
            f->glClearColor(1, 0, 0, 1);
            f->glClear(GL_COLOR_BUFFER_BIT);
        }
        if (bothCorners) {
            f->glScissor(size.width() - 8, 0, 8, 6);
            f->glClearColor(0, 1, 0, 1);
            f->glClear(GL_COLOR_BUFFER_BIT);
        }
        f->glDisable(GL_SCISSOR_TEST);
        f->glFinish();
    }
    static constexpr QRgb kRed = qRgb(255, 0, 0), kGreen = qRgb(0, 255, 0), kBlue = qRgb(0, 0, 255);
    std::unique_ptr<CompositionScene> scene;
};

} // namespace tarnvik::test
