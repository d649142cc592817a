#include "render/CompositionScene.h"
#include "export/CompressionOptions.h"
#include "export/DVStreamOutput.h"
#include "export/OpenGLDVExporter.h"
#include "export/OpenGLQTCompressor.h"
#include "tests/export/log_capture.h"

#include <QFile>
#include <QImage>
#include <QOpenGLContext>
#include <QOpenGLExtraFunctions>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libswscale/swscale.h>
}

using namespace tarnvik;
using tarnvik::test::LogCapture;

namespace {

// One compressed frame decoded with FFmpeg, as a player would show it; a
// null image when it does not decode.
QImage decode(AVCodecID codecId, const QByteArray& bytes) {
    QImage image;
    const AVCodec* codec = avcodec_find_decoder(codecId);
    AVCodecContext* ctx = avcodec_alloc_context3(codec);
    AVPacket* packet = av_packet_alloc();
    AVFrame* frame = av_frame_alloc();
    if (ctx && packet && frame && avcodec_open2(ctx, codec, nullptr) >= 0 &&
        av_new_packet(packet, int(bytes.size())) >= 0) {
        std::memcpy(packet->data, bytes.constData(), std::size_t(bytes.size()));
        if (avcodec_send_packet(ctx, packet) >= 0 && avcodec_receive_frame(ctx, frame) >= 0) {
            image = QImage(frame->width, frame->height, QImage::Format_ARGB32); // B, G, R, A in memory
            SwsContext* sws = sws_getContext(frame->width, frame->height, AVPixelFormat(frame->format), frame->width,
                                             frame->height, AV_PIX_FMT_BGRA, SWS_POINT, nullptr, nullptr, nullptr);
            std::uint8_t* dst[1] = {image.bits()};
            const int dstStride[1] = {int(image.bytesPerLine())};
            sws_scale(sws, frame->data, frame->linesize, 0, frame->height, dst, dstStride);
            sws_freeContext(sws);
        }
    }
    av_frame_free(&frame);
    av_packet_free(&packet);
    avcodec_free_context(&ctx);
    return image;
}

// Near enough for a lossy codec's colours.
bool near(QRgb a, QRgb b) {
    return std::abs(qRed(a) - qRed(b)) < 24 && std::abs(qGreen(a) - qGreen(b)) < 24 &&
           std::abs(qBlue(a) - qBlue(b)) < 24;
}

class GLSceneTest : public testing::Test {
protected:
    void makeScene(int width, int height) {
        scene = CompositionScene::create(QSize(width, height));
        ASSERT_TRUE(scene) << "no OpenGL: run under xvfb-run";
    }
    QOpenGLExtraFunctions* gl() {
        scene->makeCurrent();
        return scene->context()->extraFunctions();
    }
    // Fills the framebuffer with one colour, as a finished frame would, with
    // a red block in the top-left corner when marked, so that a flipped
    // image cannot pass for an upright one.
    void fill(QRgb c, bool marked = false) {
        auto* f = gl();
        f->glBindFramebuffer(GL_FRAMEBUFFER, scene->framebufferId());
        f->glClearColor(qRed(c) / 255.f, qGreen(c) / 255.f, qBlue(c) / 255.f, 1);
        f->glClear(GL_COLOR_BUFFER_BIT);
        if (marked) {
            f->glEnable(GL_SCISSOR_TEST);
            f->glScissor(0, scene->size().height() - 10, 12, 10); // GL's y grows upward
            f->glClearColor(1, 0, 0, 1);
            f->glClear(GL_COLOR_BUFFER_BIT);
            f->glDisable(GL_SCISSOR_TEST);
        }
        f->glFinish();
    }
    std::unique_ptr<CompositionScene> scene;
};

class OpenGLQTCompressorTest : public GLSceneTest {
protected:
    void SetUp() override { makeScene(W, H); }
    std::unique_ptr<OpenGLQTCompressor> png(bool flip, bool textures) {
        return OpenGLQTCompressor::create(scene.get(), W, H, kCodecPNG, kQualityNormal, flip, textures);
    }
    static constexpr int W = 70; // rows not a multiple of 64 bytes
    static constexpr int H = 30;
    static constexpr QRgb kBlue = qRgb(0, 0, 255), kRed = qRgb(255, 0, 0), kGreen = qRgb(0, 255, 0);
};

TEST_F(OpenGLQTCompressorTest, RefusesWhatItCannotCompress) {
    const struct {
        const char* what;
        bool useScene;
        unsigned width, height;
        std::uint32_t codec;
        const char* logged; // start of the one line logged; null for none
    } cases[] = {
        {"no scene", false, W, H, kCodecPNG, nullptr},
        {"no width", true, 0, H, kCodecPNG, nullptr},
        {"no height", true, W, 0, kCodecPNG, nullptr},
        {"unknown codec", true, W, H, fourCC("zzzz"), "Compression sequence creation failed (error "},
        {"too wide for the codec", true, 20000, 2, kCodecPNG, "Compression sequence creation failed (error -22) ("},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        LogCapture log;
        EXPECT_FALSE(OpenGLQTCompressor::create(c.useScene ? scene.get() : nullptr, c.width, c.height, c.codec,
                                                kQualityNormal, false, false));
        if (!c.logged) {
            EXPECT_TRUE(log.lines().isEmpty()) << log.text();
        } else {
            ASSERT_EQ(log.lines().size(), 1) << log.text();
            EXPECT_TRUE(log.lines()[0].startsWith(c.logged)) << log.text();
        }
    }
}

TEST_F(OpenGLQTCompressorTest, FramesAreBottomRowFirstUnlessFlipped) {
    for (bool textures : {false, true})
        for (bool flip : {false, true}) {
            SCOPED_TRACE(std::string(textures ? "textures" : "synchronous") + (flip ? ", flipped" : ""));
            auto c = png(flip, textures);
            ASSERT_TRUE(c);
            fill(kBlue, true);
            std::optional<QByteArray> bytes = c->compressFrame(false);
            if (textures) bytes = c->compressFrame(false);
            ASSERT_TRUE(bytes && !bytes->isEmpty());
            const QImage image = decode(AV_CODEC_ID_PNG, *bytes);
            ASSERT_EQ(image.size(), QSize(W, H));
            const int top = flip ? 0 : H - 1, bottom = H - 1 - top;
            EXPECT_EQ(image.pixel(0, top), kRed);
            EXPECT_EQ(image.pixel(11, flip ? 9 : H - 10), kRed);
            EXPECT_EQ(image.pixel(12, top), kBlue);
            EXPECT_EQ(image.pixel(0, flip ? 10 : H - 11), kBlue);
            EXPECT_EQ(image.pixel(0, bottom), kBlue);
        }
}

TEST_F(OpenGLQTCompressorTest, TexturesGiveAnEmptyFirstFrameThenThePreviousCallsImage) {
    auto c = png(true, true);
    ASSERT_TRUE(c);
    const QRgb colours[] = {kRed, kGreen, kBlue};
    fill(colours[0]);
    const std::optional<QByteArray> first = c->compressFrame(false);
    ASSERT_TRUE(first);
    EXPECT_TRUE(first->isEmpty());
    for (int i = 1; i < 3; ++i) {
        fill(colours[i]);
        const std::optional<QByteArray> bytes = c->compressFrame(i == 2);
        ASSERT_TRUE(bytes) << i;
        EXPECT_EQ(decode(AV_CODEC_ID_PNG, *bytes).pixel(5, 5), colours[i - 1]) << i;
    }
}

TEST_F(OpenGLQTCompressorTest, OnlyUncopiedBytesChangeAtTheNextCall) {
    for (bool noCopy : {false, true}) {
        SCOPED_TRACE(noCopy ? "without copying" : "copied");
        auto c = png(false, false);
        ASSERT_TRUE(c);
        fill(kRed);
        const std::optional<QByteArray> first = c->compressFrame(noCopy);
        ASSERT_TRUE(first);
        const QByteArray saved(first->constData(), first->size());
        fill(kGreen, true);
        const std::optional<QByteArray> second = c->compressFrame(noCopy);
        ASSERT_TRUE(second);
        EXPECT_EQ(decode(AV_CODEC_ID_PNG, *second).pixel(40, 5), kGreen);
        EXPECT_EQ(first->constData() == second->constData(), noCopy);
        EXPECT_EQ(QByteArray(first->constData(), first->size()) != saved, noCopy);
    }
}

TEST_F(OpenGLQTCompressorTest, DescribesItsFrames) {
    const struct {
        std::uint32_t codec;
        int depth;
    } cases[] = {{kCodecPNG, 32}, {kCodecAnimation, 32}, {kCodecMotionJPEG, 24}, {kCodecH264, 24}, {kCodecProRes422, 24}};
    for (const auto& k : cases) {
        SCOPED_TRACE(fourCCText(k.codec));
        auto c = OpenGLQTCompressor::create(scene.get(), W, H, k.codec, kQualityHigh, true, false);
        ASSERT_TRUE(c);
        const CompressedImageDescription d = c->framesImageDescription();
        EXPECT_EQ(d.codecType, k.codec);
        EXPECT_EQ(d.width, unsigned(W));
        EXPECT_EQ(d.height, unsigned(H));
        EXPECT_EQ(d.depth, k.depth);
        fill(kGreen);
        const std::optional<QByteArray> bytes = c->compressFrame(false);
        ASSERT_TRUE(bytes);
        EXPECT_FALSE(bytes->isEmpty());
    }
}

TEST_F(OpenGLQTCompressorTest, PendingOpenGLErrorGivesNoFrameThenRecovers) {
    auto c = png(true, false);
    ASSERT_TRUE(c);
    fill(kGreen);
    LogCapture log;
    gl()->glEnable(0xFFFF); // left behind by "rendering": GL_INVALID_ENUM
    EXPECT_FALSE(c->compressFrame(false));
    EXPECT_EQ(log.lines(), QStringList{"OpenGL pixels read failed (error 0x0500)"});
    const std::optional<QByteArray> bytes = c->compressFrame(false);
    ASSERT_TRUE(bytes);
    EXPECT_EQ(decode(AV_CODEC_ID_PNG, *bytes).pixel(0, 0), kGreen);
}

// Takes the display mode and begins, then fails every write.
class FailingOutput : public VideoOutput {
public:
    void setClientName(const std::string&) override {}
    int setDisplayMode(int) override { return 0; }
    int begin() override { return 0; }
    int writeFrame(const std::uint8_t*, std::size_t) override { return -EIO; }
    void end() override {}
};

class OpenGLDVExporterTest : public GLSceneTest {
protected:
    std::vector<VideoOutputOpener> stream() const {
        return {[p = path]() -> std::unique_ptr<VideoOutput> { return std::make_unique<DVStreamOutput>(p); }};
    }
    QByteArray written() const {
        QFile f(QString::fromStdString(path));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    QTemporaryDir dir;
    const std::string path = dir.filePath("out.dv").toStdString();
};

TEST_F(OpenGLDVExporterTest, FormatsOtherThanNTSCAndPALAreRefusedSilently) {
    makeScene(720, 576);
    EXPECT_EQ(OpenGLDVExporter::sizeForFormat(0), QSizeF(720, 480));
    EXPECT_EQ(OpenGLDVExporter::sizeForFormat(1), QSizeF(720, 576));
    EXPECT_FLOAT_EQ(OpenGLDVExporter::framerateForFormat(0), 29.97f);
    for (int format : {2, -1}) {
        SCOPED_TRACE(format);
        LogCapture log;
        EXPECT_EQ(OpenGLDVExporter::sizeForFormat(format), QSizeF(0, 0));
        EXPECT_EQ(OpenGLDVExporter::framerateForFormat(format), 0.f);
        EXPECT_FALSE(OpenGLDVExporter::create(scene.get(), format, true, false, stream()));
        EXPECT_TRUE(log.lines().isEmpty()) << log.text();
    }
}

TEST_F(OpenGLDVExporterTest, StreamsFramesThatDecodeAtTheFormatsSize) {
    const struct {
        int format;
        QSize size;
        int frameBytes;
    } cases[] = {{0, {720, 480}, 120000}, {1, {720, 576}, 144000}};
    for (const auto& k : cases) {
        SCOPED_TRACE(k.format);
        makeScene(k.size.width(), k.size.height());
        auto e = OpenGLDVExporter::create(scene.get(), k.format, true, true, stream());
        ASSERT_TRUE(e);
        EXPECT_EQ(e->framesImageDescription().depth, 24);
        fill(qRgb(200, 40, 40));
        EXPECT_TRUE(e->exportFrame()); // nothing yet to send
        EXPECT_EQ(written().size(), 0);
        fill(qRgb(40, 200, 40));
        EXPECT_TRUE(e->exportFrame());
        EXPECT_TRUE(e->exportFrame());
        e.reset();
        const QByteArray all = written();
        ASSERT_EQ(all.size(), 2 * k.frameBytes);
        const QRgb expected[] = {qRgb(200, 40, 40), qRgb(40, 200, 40)};
        for (int i = 0; i < 2; ++i) {
            const QImage image = decode(AV_CODEC_ID_DVVIDEO, all.mid(i * k.frameBytes, k.frameBytes));
            ASSERT_EQ(image.size(), k.size) << i;
            EXPECT_TRUE(near(image.pixel(360, 200), expected[i])) << i << ": " << std::hex << image.pixel(360, 200);
        }
    }
}

TEST_F(OpenGLDVExporterTest, OutputFailuresAreLogged) {
    makeScene(720, 576);
    {
        LogCapture log;
        EXPECT_FALSE(OpenGLDVExporter::create(scene.get(), 1, true, false, {}));
        EXPECT_EQ(log.lines(), QStringList{"Video out component creation failed (error -19)"});
    }
    const std::vector<VideoOutputOpener> failing{
        []() -> std::unique_ptr<VideoOutput> { return std::make_unique<FailingOutput>(); }};
    auto e = OpenGLDVExporter::create(scene.get(), 1, true, false, failing);
    ASSERT_TRUE(e);
    fill(qRgb(0, 0, 255));
    LogCapture log;
    EXPECT_FALSE(e->exportFrame());
    EXPECT_EQ(log.lines(), QStringList{"DecompressSequenceFrameS() failed with error -5"});
}

} // namespace
