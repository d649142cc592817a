#include "export/CompressionOptions.h"
#include "export/OpenGLQTCompressor.h"
#include "tests/export/gl_scene.h"
#include "tests/export/log_capture.h"
#include "tests/export/playback.h"

#include <gtest/gtest.h>

using namespace tarnvik;
using tarnvik::test::decodeFrame;
using tarnvik::test::LogCapture;

namespace {

class OpenGLQTCompressorTest : public test::GLSceneTest {
protected:
    void SetUp() override { makeScene(W, H); }
    std::unique_ptr<OpenGLQTCompressor> png(bool flip, bool textures) {
        return OpenGLQTCompressor::create(source(), W, H, kCodecPNG, kQualityNormal, flip, textures);
    }
    static constexpr int W = 70; // rows not a multiple of 64 bytes
    static constexpr int H = 30;
};

TEST_F(OpenGLQTCompressorTest, RefusesWhatItCannotCompress) {
    const struct {
        const char* what;
        bool useSource;
        unsigned width, height;
        std::uint32_t codec;
        const char* logged; // start of the one line logged; null for none
    } cases[] = {
        {"no source", false, W, H, kCodecPNG, nullptr},
        {"no width", true, 0, H, kCodecPNG, nullptr},
        {"no height", true, W, 0, kCodecPNG, nullptr},
        {"unknown codec", true, W, H, fourCC("zzzz"), "Compression sequence creation failed (error "},
        {"too wide for the codec", true, 20000, 2, kCodecPNG, "Compression sequence creation failed (error -22) ("},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        LogCapture log;
        EXPECT_FALSE(OpenGLQTCompressor::create(c.useSource ? source() : GLFrameSource{}, c.width, c.height, c.codec,
                                                kQualityNormal, false, false));
        if (!c.logged) {
            EXPECT_TRUE(log.lines().isEmpty()) << log.text();
        } else {
            ASSERT_EQ(log.lines().size(), 1) << log.text();
            EXPECT_TRUE(log.lines()[0].startsWith(c.logged)) << log.text();
        }
    }
}

// With textures the first call has nothing yet, and each later one the
// image of the call before.
TEST_F(OpenGLQTCompressorTest, FramesAreBottomRowFirstUnlessFlipped) {
    for (bool textures : {false, true})
        for (bool flip : {false, true}) {
            SCOPED_TRACE(std::string(textures ? "textures" : "synchronous") + (flip ? ", flipped" : ""));
            auto c = png(flip, textures);
            ASSERT_TRUE(c);
            fill(kBlue, true);
            std::optional<QByteArray> bytes = c->compressFrame(false);
            if (textures) {
                ASSERT_TRUE(bytes);
                EXPECT_TRUE(bytes->isEmpty());
                fill(kGreen);
                bytes = c->compressFrame(false);
            }
            ASSERT_TRUE(bytes && !bytes->isEmpty());
            const QImage image = decodeFrame(AV_CODEC_ID_PNG, *bytes);
            ASSERT_EQ(image.size(), QSize(W, H));
            const int top = flip ? 0 : H - 1, bottom = H - 1 - top;
            EXPECT_EQ(image.pixel(0, top), kRed);
            EXPECT_EQ(image.pixel(11, flip ? 9 : H - 10), kRed);
            EXPECT_EQ(image.pixel(12, top), kBlue);
            EXPECT_EQ(image.pixel(0, flip ? 10 : H - 11), kBlue);
            EXPECT_EQ(image.pixel(0, bottom), kBlue);
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
        EXPECT_EQ(decodeFrame(AV_CODEC_ID_PNG, *second).pixel(40, 5), kGreen);
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
        auto c = OpenGLQTCompressor::create(source(), W, H, k.codec, kQualityHigh, true, false);
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

} // namespace
