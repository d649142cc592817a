// Records the six-layer stack as the application does, paced at 25 frames
// per second of wall time: render, read back one tick late, hand to the
// movie exporter. Reports frames rendered, written and dropped, and CPU time
// per frame (the whole process, encoder threads included, and the render
// thread alone).
//
//   xvfb-run -a build/bench/app/record_cost [SECONDS] [OUT_DIR]
#include "bench/app/bench_stack.h"
#include "render/CompositionRenderer.h"
#include "render/CompositionScene.h"
#include "render/Compositions.h"
#include "export/CompressionSettings.h"
#include "export/FrameMovieExporter.h"
#include "export/FrameReader.h"

#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>

#include <chrono>
#include <cstdio>
#include <ctime>
#include <memory>
#include <thread>
#include <vector>

using namespace tarnvik;

namespace {

double cpuSeconds(clockid_t clock) {
    timespec ts{};
    clock_gettime(clock, &ts);
    return double(ts.tv_sec) + ts.tv_nsec / 1e9;
}

bool record(QSize size, std::uint32_t codec, int seconds, const QString& folder) {
    auto scene = CompositionScene::create(size);
    if (!scene) return false;
    auto stack = bench::makeStack(*scene);
    const unsigned w = unsigned(size.width()), h = unsigned(size.height());
    const QString path = QDir(folder).filePath(
        QStringLiteral("record-%1x%2-%3.mov").arg(w).arg(h).arg(QString::fromStdString(fourCCText(codec)).trimmed()));
    CompressionSettings settings;
    settings.codec = codec;
    const GLFrameSource source{[&] { return scene->makeCurrent(); }, [&] { return scene->framebufferId(); }};
    auto reader = FrameReader::create(source, w, h, true);
    auto movie = FrameMovieExporter::create(path, codec, w, h, std::make_shared<CompressionOptions>(settings.options()));
    if (!reader || !movie) return false;

    const int frames = seconds * 25;
    int rendered = 0, offered = 0, late = 0;
    const double cpu0 = cpuSeconds(CLOCK_PROCESS_CPUTIME_ID), thread0 = cpuSeconds(CLOCK_THREAD_CPUTIME_ID);
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < frames; ++i) {
        const auto due = start + std::chrono::microseconds(40000LL * i);
        if (std::chrono::steady_clock::now() > due + std::chrono::milliseconds(40)) ++late;
        std::this_thread::sleep_until(due);
        const double t = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        for (auto& r : stack) {
            r->setValue(QStringLiteral("HIDDEN_heading"), t * 7.0);
            r->renderAtTime(t);
        }
        if (!scene->finishFrame()) continue;
        ++rendered;
        if (FramePtr f = reader->readFrame()) {
            ++offered;
            movie->exportFrame(std::move(f), t);
        }
    }
    const double mainCpu = cpuSeconds(CLOCK_THREAD_CPUTIME_ID) - thread0;
    const std::int64_t dropped = movie->framesDropped();
    movie.reset(); // finishes the file
    const double cpu = cpuSeconds(CLOCK_PROCESS_CPUTIME_ID) - cpu0;
    // Written = offered less dropped; the exporter's own count is gone with it.
    std::printf("%4ux%-4u %-4s  rendered %5d  written %5lld  dropped %4lld  late ticks %4d  CPU/frame %6.2f ms "
                "(render thread %6.2f ms)  %6.1f MB\n",
                w, h, fourCCText(codec).c_str(), rendered, static_cast<long long>(offered - dropped),
                static_cast<long long>(dropped), late, 1000 * cpu / rendered, 1000 * mainCpu / rendered,
                QFileInfo(path).size() / 1e6);
    std::fflush(stdout);
    return true;
}

} // namespace

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    const int seconds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 60;
    const QString folder = argc > 2 ? QString::fromLocal8Bit(argv[2]) : QDir::tempPath();
    std::printf("%d s at 25 frames per second each; movies in %s\n", seconds, qPrintable(folder));
    bool ok = true;
    for (QSize size : {QSize(720, 576), QSize(1920, 1080)})
        for (std::uint32_t codec : {kCodecH264, kCodecProRes422}) ok = record(size, codec, seconds, folder) && ok;
    return ok ? 0 : 1;
}
