#include "export/Frame.h"
#include "export/FrameReader.h"
#include "tests/export/gl_scene.h"
#include "tests/export/log_capture.h"

#include <QImage>
#include <gtest/gtest.h>

#include <cstdint>
#include <thread>

using namespace tarnvik;
using tarnvik::test::LogCapture;

namespace {

// The A, R, G, B bytes of a frame pixel as a QRgb.
QRgb pixel(const Frame& f, unsigned x, unsigned y) {
    const std::uint8_t* p = f.row(y) + x * 4;
    return qRgba(p[1], p[2], p[3], p[0]);
}

class FrameReaderTest : public test::GLSceneTest {
protected:
    void SetUp() override { makeScene(W, H); }
    static constexpr int W = 70; // rows not a multiple of 64 bytes
    static constexpr int H = 30;
};

TEST_F(FrameReaderTest, RefusesNoSourceAndEmptySizesSilently) {
    LogCapture log;
    EXPECT_FALSE(FrameReader::create(GLFrameSource{}, W, H, false));
    EXPECT_FALSE(FrameReader::create(source(), 0, H, true));
    EXPECT_FALSE(FrameReader::create(source(), W, 0, false));
    EXPECT_TRUE(LogCapture::lines().isEmpty()) << LogCapture::text();
}

// Asynchronous: the first call gives nothing and each later one the image
// of the call before.
TEST_F(FrameReaderTest, FramesAreTopRowFirstAndMatchTheSceneImage) {
    for (bool async : {false, true}) {
        SCOPED_TRACE(async ? "asynchronous" : "synchronous");
        auto reader = FrameReader::create(source(), W, H, async);
        ASSERT_TRUE(reader);
        fill(kBlue, true, true);
        const QImage image = scene->image().convertToFormat(QImage::Format_ARGB32);
        FramePtr f = reader->readFrame();
        if (async) {
            EXPECT_FALSE(f);
            fill(kGreen);
            f = reader->readFrame();
        }
        ASSERT_TRUE(f);
        EXPECT_EQ(f->width(), unsigned(W));
        EXPECT_EQ(f->height(), unsigned(H));
        EXPECT_GE(f->stride(), std::size_t(W) * 4);
        const struct {
            int x, y;
            QRgb expected;
        } probes[] = {
            {0, 0, kRed},          {11, 9, kRed},          {12, 0, kBlue},     {0, 10, kBlue},    {W - 1, H - 1, kGreen},
            {W - 8, H - 6, kGreen}, {W - 9, H - 1, kBlue}, {W - 1, 0, kBlue}, {0, H - 1, kBlue},
        };
        for (const auto& p : probes) {
            EXPECT_EQ(pixel(*f, p.x, p.y), p.expected) << p.x << "," << p.y;
            EXPECT_EQ(pixel(*f, p.x, p.y), image.pixel(p.x, p.y)) << p.x << "," << p.y;
        }
    }
}

TEST_F(FrameReaderTest, RestoresTheStateItChanges) {
    auto reader = FrameReader::create(source(), W, H, true);
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
    const struct {
        GLenum what;
        GLint expected;
    } state[] = {{GL_PIXEL_PACK_BUFFER_BINDING, GLint(other)},
                 {GL_PACK_ALIGNMENT, 2},
                 {GL_PACK_ROW_LENGTH, 7},
                 {GL_READ_FRAMEBUFFER_BINDING, 0}};
    for (const auto& s : state) {
        GLint v = -1;
        f->glGetIntegerv(s.what, &v);
        EXPECT_EQ(v, s.expected) << std::hex << s.what;
    }
    f->glBindBuffer(GL_PIXEL_PACK_BUFFER, 0);
    f->glPixelStorei(GL_PACK_ALIGNMENT, 4);
    f->glPixelStorei(GL_PACK_ROW_LENGTH, 0);
    f->glDeleteBuffers(1, &other);
}

TEST_F(FrameReaderTest, PendingErrorGivesNoFrameThenRecovers) {
    for (bool async : {false, true}) {
        SCOPED_TRACE(async ? "asynchronous" : "synchronous");
        auto reader = FrameReader::create(source(), W, H, async);
        ASSERT_TRUE(reader);
        fill(kRed);
        if (async) {
            ASSERT_FALSE(reader->readFrame());
        }
        LogCapture log;
        gl()->glEnable(0xFFFF); // left behind by "rendering": GL_INVALID_ENUM
        EXPECT_FALSE(reader->readFrame());
        EXPECT_EQ(LogCapture::lines(), QStringList{"OpenGL pixels read failed (error 0x0500)"});
        FramePtr f = reader->readFrame();
        ASSERT_TRUE(f);
        EXPECT_EQ(pixel(*f, 0, 0), kRed);
    }
}

// Frames held by a consumer are not handed out twice; in steady state no
// more are made.
TEST_F(FrameReaderTest, PoolReusesBuffersInSteadyState) {
    auto reader = FrameReader::create(source(), W, H, true);
    ASSERT_TRUE(reader);
    fill(qRgb(1, 2, 3));
    for (int i = 0; i < 20; ++i) reader->readFrame();
    EXPECT_EQ(reader->pool()->allocated(), 1u);
    FramePtr a = reader->readFrame(), b = reader->readFrame();
    ASSERT_TRUE(a && b);
    EXPECT_NE(a->data(), b->data());
    EXPECT_EQ(reader->pool()->allocated(), 2u);
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
