// Per-frame cost of the six-layer stack on this machine's OpenGL (Mesa's
// software renderer under Xvfb), at PAL and full-HD sizes: rendering alone,
// and rendering plus reading the frame back as an exporter would.
//
//   xvfb-run -a build/bench/app/render_cost [FRAMES]
#include "bench/app/bench_stack.h"
#include "render/CompositionRenderer.h"
#include "render/CompositionScene.h"
#include "render/LayerStack.h"

#include <QElapsedTimer>
#include <QGuiApplication>
#include <QOpenGLContext>
#include <QOpenGLFunctions>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <vector>

using namespace tarnvik;

namespace {

struct Figures {
    double median, p95;
};

Figures figures(std::vector<double> ms) {
    std::sort(ms.begin(), ms.end());
    return {ms[ms.size() / 2], ms[ms.size() * 95 / 100]};
}

bool measure(QSize size, int frames) {
    auto scene = CompositionScene::create(size);
    if (!scene) return false;
    static bool told = false;
    if (!told) {
        scene->makeCurrent();
        std::printf("OpenGL: %s\n", reinterpret_cast<const char*>(scene->context()->functions()->glGetString(GL_RENDERER)));
        told = true;
    }
    auto stack = bench::loadStack(*scene);
    CompositionRenderer* compass = stack->renderer(QStringLiteral("Compas"));
    std::vector<double> render, withRead;
    QElapsedTimer t;
    for (int i = 0; i < frames + 10; ++i) {
        const double at = i / 25.0;
        if (compass) compass->setValue(QStringLiteral("HIDDEN_heading"), at * 7.0);
        stack->renderAtTime(at);
        t.start();
        scene->finishFrame();
        scene->makeCurrent();
        scene->context()->functions()->glFinish(); // the work, not just its submission
        const double r = t.nsecsElapsed() / 1e6;
        scene->image();
        const double rr = t.nsecsElapsed() / 1e6;
        if (i >= 10) { // warmed up
            render.push_back(r);
            withRead.push_back(rr);
        }
    }
    Figures a = figures(render), b = figures(withRead);
    std::printf("%4dx%-4d  %zu layers  render %6.2f ms (p95 %6.2f)  render+read %6.2f ms (p95 %6.2f)  = %5.1f fps max\n",
                size.width(), size.height(), stack->count(), a.median, a.p95, b.median, b.p95, 1000.0 / a.median);
    return true;
}

} // namespace

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    const int frames = argc > 1 ? std::max(10, std::atoi(argv[1])) : 200;
    std::printf("%d frames each, median and 95th percentile\n", frames);
    bool ok = measure(QSize(720, 576), frames) && measure(QSize(1920, 1080), frames);
    return ok ? 0 : 1;
}
