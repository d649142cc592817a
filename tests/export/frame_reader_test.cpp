#include "render/CompositionScene.h"
#include "export/Frame.h"
#include "export/FrameReader.h"

#include <QImage>
#include <QOpenGLContext>
#include <QOpenGLExtraFunctions>
#include <QStringList>
#include <QtGlobal>
#include <gtest/gtest.h>

#include <cstdint>
#include <thread>

using namespace tarnvik;

namespace {

QStringList logged;
void capture(QtMsgType, const QMessageLogContext&, const QString& msg) { logged << msg; }

struct LogCapture {
    LogCapture() {
        logged.clear();
        previous = qInstallMessageHandler(capture);
    }
    ~LogCapture() { qInstallMessageHandler(previous); }
    QtMessageHandler previous;
};

// The A, R, G, B bytes of a frame pixel as a QRgb.
QRgb pixel(const Frame& f, unsigned x, unsigned y) {
    const std::uint8_t* p = f.row(y) + x * 4;
    return qRgba(p[1], p[2], p[3], p[0]);
}

class FrameReaderTest : public testing::Test {
protected:
    void SetUp() override {
        scene = CompositionScene::create(QSize(W, H));
        ASSERT_TRUE(scene) << "no OpenGL: run under xvfb-run";
    }
    QOpenGLExtraFunctions* gl() {
        scene->makeCurrent();
        return scene->context()->extraFunctions();
    }
    // Fills the framebuffer with one colour, as a finished frame would.
    void fill(QRgb c) {
        auto* f = gl();
        f->glBindFramebuffer(GL_FRAMEBUFFER, scene->framebufferId());
        f->glClearColor(qRed(c) / 255.f, qGreen(c) / 255.f, qBlue(c) / 255.f, qAlpha(c) / 255.f);
        f->glClear(GL_COLOR_BUFFER_BIT);
        f->glFinish();
    }
    // A blue field with a red block in the top-left corner and a green one in
    // the bottom-right, so a mirrored or flipped frame cannot pass.
    void drawMarkers() {
        auto* f = gl();
        fill(qRgb(0, 0, 255));
        f->glEnable(GL_SCISSOR_TEST);
        f->glScissor(0, H - 10, 12, 10); // GL's y grows upward
        f->glClearColor(1, 0, 0, 1);
        f->glClear(GL_COLOR_BUFFER_BIT);
        f->glScissor(W - 8, 0, 8, 6);
        f->glClearColor(0, 1, 0, 1);
        f->glClear(GL_COLOR_BUFFER_BIT);
        f->glDisable(GL_SCISSOR_TEST);
        f->glFinish();
    }
    static constexpr int W = 70; // rows not a multiple of 64 bytes
    static constexpr int H = 30;
    std::unique_ptr<CompositionScene> scene;
};

TEST_F(FrameReaderTest, RefusesNoSceneAndEmptySizesSilently) {
    LogCapture log;
    EXPECT_FALSE(FrameReader::create(nullptr, W, H, false));
    EXPECT_FALSE(FrameReader::create(scene.get(), 0, H, true));
    EXPECT_FALSE(FrameReader::create(scene.get(), W, 0, false));
    EXPECT_TRUE(logged.isEmpty()) << logged.join("\n").toStdString();
}

TEST_F(FrameReaderTest, AsynchronousReturnsThePreviousCallsImage) {
    auto reader = FrameReader::create(scene.get(), W, H, true);
    ASSERT_TRUE(reader);
    const QRgb colours[] = {qRgb(255, 0, 0), qRgb(0, 255, 0), qRgb(0, 0, 255), qRgb(10, 20, 30)};
    fill(colours[0]);
    EXPECT_FALSE(reader->readFrame());
    for (int i = 1; i < 4; ++i) {
        fill(colours[i]);
        FramePtr f = reader->readFrame();
        ASSERT_TRUE(f) << "call " << i;
        EXPECT_EQ(pixel(*f, 3, 3), colours[i - 1]) << "call " << i;
    }
    // No rendering between two calls: the second returns that same image.
    FramePtr again = reader->readFrame();
    ASSERT_TRUE(again);
    EXPECT_EQ(pixel(*again, 3, 3), colours[3]);
}

TEST_F(FrameReaderTest, SynchronousReturnsTheCurrentImageAtOnce) {
    auto reader = FrameReader::create(scene.get(), W, H, false);
    ASSERT_TRUE(reader);
    for (QRgb c : {qRgb(255, 0, 0), qRgb(0, 255, 0)}) {
        fill(c);
        FramePtr f = reader->readFrame();
        ASSERT_TRUE(f);
        EXPECT_EQ(pixel(*f, W - 1, H - 1), c);
    }
}

TEST_F(FrameReaderTest, FramesAreTopRowFirstAndMatchTheSceneImage) {
    for (bool async : {false, true}) {
        SCOPED_TRACE(async ? "asynchronous" : "synchronous");
        auto reader = FrameReader::create(scene.get(), W, H, async);
        ASSERT_TRUE(reader);
        drawMarkers();
        FramePtr f = reader->readFrame();
        if (async) f = reader->readFrame();
        ASSERT_TRUE(f);
        EXPECT_EQ(f->width(), unsigned(W));
        EXPECT_EQ(f->height(), unsigned(H));
        EXPECT_GE(f->stride(), std::size_t(W) * 4);
        const QImage image = scene->image().convertToFormat(QImage::Format_ARGB32);
        struct Probe {
            int x, y;
            QRgb expected;
        } probes[] = {
            {0, 0, qRgb(255, 0, 0)},          {11, 9, qRgb(255, 0, 0)},       {12, 0, qRgb(0, 0, 255)},
            {0, 10, qRgb(0, 0, 255)},         {W - 1, H - 1, qRgb(0, 255, 0)}, {W - 8, H - 6, qRgb(0, 255, 0)},
            {W - 9, H - 1, qRgb(0, 0, 255)},  {W - 1, 0, qRgb(0, 0, 255)},     {0, H - 1, qRgb(0, 0, 255)},
        };
        for (const Probe& p : probes) {
            EXPECT_EQ(pixel(*f, p.x, p.y), p.expected) << p.x << "," << p.y;
            EXPECT_EQ(pixel(*f, p.x, p.y), image.pixel(p.x, p.y)) << p.x << "," << p.y;
        }
    }
}

TEST_F(FrameReaderTest, RestoresTheStateItChanges) {
    auto reader = FrameReader::create(scene.get(), W, H, true);
    ASSERT_TRUE(reader);
    auto* f = gl();
    GLuint other = 0;
    f->glGenBuffers(1, &other);
    f->glBindBuffer(GL_PIXEL_PACK_BUFFER, other);
    f->glPixelStorei(GL_PACK_ALIGNMENT, 2);
    f->glPixelStorei(GL_PACK_ROW_LENGTH, 7);
    f->glBindFramebuffer(GL_FRAMEBUFFER, 0);
    for (int i = 0; i < 3; ++i) reader->readFrame();
    f = gl();
    GLint v = -1;
    f->glGetIntegerv(GL_PIXEL_PACK_BUFFER_BINDING, &v);
    EXPECT_EQ(GLuint(v), other);
    f->glGetIntegerv(GL_PACK_ALIGNMENT, &v);
    EXPECT_EQ(v, 2);
    f->glGetIntegerv(GL_PACK_ROW_LENGTH, &v);
    EXPECT_EQ(v, 7);
    f->glGetIntegerv(GL_READ_FRAMEBUFFER_BINDING, &v);
    EXPECT_EQ(v, 0);
    f->glBindBuffer(GL_PIXEL_PACK_BUFFER, 0);
    f->glPixelStorei(GL_PACK_ALIGNMENT, 4);
    f->glPixelStorei(GL_PACK_ROW_LENGTH, 0);
    f->glDeleteBuffers(1, &other);
}

TEST_F(FrameReaderTest, PendingErrorGivesNoFrameThenRecovers) {
    for (bool async : {false, true}) {
        SCOPED_TRACE(async ? "asynchronous" : "synchronous");
        auto reader = FrameReader::create(scene.get(), W, H, async);
        ASSERT_TRUE(reader);
        fill(qRgb(255, 0, 0));
        if (async) {
            ASSERT_FALSE(reader->readFrame());
        }
        LogCapture log;
        gl()->glEnable(0xFFFF); // left behind by "rendering": GL_INVALID_ENUM
        EXPECT_FALSE(reader->readFrame());
        EXPECT_EQ(logged, QStringList{"OpenGL pixels read failed (error 0x0500)"});
        FramePtr f = reader->readFrame();
        ASSERT_TRUE(f);
        EXPECT_EQ(pixel(*f, 0, 0), qRgb(255, 0, 0));
    }
}

TEST_F(FrameReaderTest, PoolReusesBuffersInSteadyState) {
    auto reader = FrameReader::create(scene.get(), W, H, true);
    ASSERT_TRUE(reader);
    fill(qRgb(1, 2, 3));
    for (int i = 0; i < 20; ++i) reader->readFrame();
    EXPECT_EQ(reader->pool()->allocated(), 1u);
    // Frames held by a consumer are not handed out twice.
    FramePtr a = reader->readFrame(), b = reader->readFrame();
    ASSERT_TRUE(a && b);
    EXPECT_NE(a->data(), b->data());
    const std::uint8_t* held[] = {a->data(), b->data()};
    a.reset();
    b.reset();
    FramePtr c = reader->readFrame();
    ASSERT_TRUE(c);
    EXPECT_EQ(reader->pool()->allocated(), 2u);
    EXPECT_TRUE(c->data() == held[0] || c->data() == held[1]);
}

TEST(FramePoolTest, FramesReturnFromAnyThreadAndOutliveThePool) {
    EXPECT_FALSE(FramePool::create(0, 4));
    auto pool = FramePool::create(5, 3);
    ASSERT_TRUE(pool);
    EXPECT_EQ(pool->stride(), 64u);
    FramePtr f = pool->take();
    ASSERT_TRUE(f);
    const std::uint8_t* bytes = f->data();
    std::thread([g = std::move(f)]() mutable { g.reset(); }).join();
    FramePtr again = pool->take();
    EXPECT_EQ(again->data(), bytes);
    EXPECT_EQ(pool->allocated(), 1u);
    pool.reset();
    again->row(2)[0] = 7; // still valid after the pool is gone
    again.reset();
}

} // namespace
