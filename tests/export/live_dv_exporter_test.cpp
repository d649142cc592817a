#include "export/DVFormat.h"
#include "export/FrameLiveDVExporter.h"
#include "export/OpenGLDVExporter.h"
#include "tests/export/gl_scene.h"
#include "tests/export/log_capture.h"
#include "tests/export/playback.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <mutex>
#include <vector>

using namespace tarnvik;
using tarnvik::test::decodeFrame;
using tarnvik::test::LogCapture;

namespace {

using Bytes = std::vector<std::uint8_t>;

// Keeps what it is sent; may refuse frames.
class RecordingOutput : public VideoOutput {
public:
    struct Log {
        std::mutex mutex;
        std::vector<Bytes> frames;
        int refuse = 0; // error returned for every frame; 0: take them
        int attempts = 0;
        int mode = 0;
        bool ended = false;
    };
    explicit RecordingOutput(Log* log) : log_(log) {}
    void setClientName(const std::string&) override {}
    int setDisplayMode(int mode) override { return log_->mode = mode, 0; }
    int begin() override { return 0; }
    int writeFrame(const std::uint8_t* data, std::size_t size) override {
        std::lock_guard lock(log_->mutex);
        ++log_->attempts;
        if (log_->refuse) return log_->refuse;
        log_->frames.emplace_back(data, data + size);
        return 0;
    }
    void end() override { log_->ended = true; }

private:
    Log* log_;
};

std::vector<VideoOutputOpener> recordingTo(RecordingOutput::Log* log) {
    return {[log] { return std::make_unique<RecordingOutput>(log); }};
}

// Sends n frames of one colour, waiting out a full queue.
void send(FrameLiveDVExporter& e, int n, QRgb colour, unsigned width = 720, unsigned height = 576) {
    auto pool = FramePool::create(width, height);
    for (int i = 0; i < n;) {
        FramePtr f = pool->take();
        for (unsigned y = 0; y < f->height(); ++y)
            for (unsigned x = 0; x < f->width(); ++x) {
                std::uint8_t* p = f->row(y) + x * 4;
                p[0] = 255, p[1] = std::uint8_t(qRed(colour)), p[2] = std::uint8_t(qGreen(colour)),
                p[3] = std::uint8_t(qBlue(colour));
            }
        if (e.exportFrame(f)) ++i;
    }
}

// Both live exporters: other formats give nothing, and no exporter, silently.
class LiveDVFormats : public test::GLSceneTest {};

TEST_F(LiveDVFormats, SizeAndRateOfEachFormat) {
    const struct {
        int format;
        QSizeF size;
        double rate;
    } cases[] = {{0, {720, 480}, 29.969999313354492}, {1, {720, 576}, 25}, {2, {0, 0}, 0}, {-1, {0, 0}, 0}};
    for (const auto& c : cases) {
        EXPECT_EQ(FrameLiveDVExporter::sizeForFormat(c.format), c.size) << c.format;
        EXPECT_EQ(double(FrameLiveDVExporter::framerateForFormat(c.format)), c.rate) << c.format;
        EXPECT_EQ(OpenGLDVExporter::sizeForFormat(c.format), c.size) << c.format;
        EXPECT_EQ(double(OpenGLDVExporter::framerateForFormat(c.format)), c.rate) << c.format;
    }
    makeScene(720, 576);
    RecordingOutput::Log log;
    LogCapture capture;
    for (int format : {2, -1, 100}) {
        EXPECT_FALSE(FrameLiveDVExporter::create(format, false, false, recordingTo(&log)));
        EXPECT_FALSE(OpenGLDVExporter::create(source(), format, true, false, recordingTo(&log)));
    }
    EXPECT_TRUE(LogCapture::lines().isEmpty()) << LogCapture::text();
}

// Every frame reaches the output whole, in its format's display mode, with
// the progressive flag as asked.
TEST(LiveDVExporter, SendsWholeFramesWithTheFlagsAsked) {
    const struct {
        int format;
        bool progressive;
    } cases[] = {{0, false}, {1, false}, {1, true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "format " << c.format << " progressive " << c.progressive);
        RecordingOutput::Log log;
        const DVFormat f = dvFormat(c.format);
        {
            auto e = FrameLiveDVExporter::create(c.format, c.progressive, false, recordingTo(&log));
            ASSERT_TRUE(e);
            send(*e, 3, qRgb(200, 30, 30), f.width, f.height);
            // A frame of the wrong size is refused, not sent.
            EXPECT_FALSE(e->exportFrame(FramePool::create(64, 64)->take()));
            EXPECT_TRUE(e->flushFrames());
        }
        EXPECT_TRUE(log.ended);
        EXPECT_EQ(log.mode, f.displayMode);
        ASSERT_EQ(log.frames.size(), 3u);
        for (const Bytes& b : log.frames) {
            EXPECT_EQ(b.size(), dvFrameSize(f.displayMode));
            EXPECT_EQ(dvInterlaced(b.data(), b.size()), !c.progressive);
        }
    }
}

TEST(LiveDVExporter, AFailingOutputIsLoggedOncePerRun) {
    RecordingOutput::Log log;
    log.refuse = -32;
    LogCapture capture;
    {
        auto e = FrameLiveDVExporter::create(1, false, false, recordingTo(&log));
        ASSERT_TRUE(e);
        send(*e, 3, qRgb(0, 0, 0));
        // The output takes frames again once the three have been refused.
        for (bool refusedAll = false; !refusedAll;) {
            std::lock_guard lock(log.mutex);
            if ((refusedAll = log.attempts == 3)) log.refuse = 0;
        }
        send(*e, 2, qRgb(0, 0, 0));
        EXPECT_TRUE(e->flushFrames());
    }
    EXPECT_EQ(log.frames.size(), 2u);
    EXPECT_EQ(LogCapture::lines(),
              QStringList({"DecompressSequenceFrameS() failed with error -32",
                           "The video output takes frames again; 3 were dropped"}));
}

// What a DV player reads from the stream: the size, the rate, the colour.
TEST(LiveDVExporter, TheStreamPlaysAsPalDV) {
    QTemporaryDir dir;
    const QString file = dir.filePath("live.dv");
    {
        // Where there is no FireWire the stream is used, and nothing is logged.
        LogCapture capture;
        auto e = FrameLiveDVExporter::create(1, false, true, videoOutputCandidates(file.toStdString()));
        ASSERT_TRUE(e);
        send(*e, 5, qRgb(220, 20, 20));
        e->flushFrames();
        EXPECT_TRUE(LogCapture::lines().isEmpty()) << LogCapture::text();
    }
    const test::Playback p = test::play(file, "dv");
    ASSERT_TRUE(p.opened);
    EXPECT_EQ(p.codec, AV_CODEC_ID_DVVIDEO);
    EXPECT_EQ(p.width, 720);
    EXPECT_EQ(p.height, 576);
    EXPECT_EQ(p.frameRate, 25.0);
    // Wide-screen: a 16:9 picture on 720 × 576.
    EXPECT_NEAR(p.sampleAspect * 720 / 576, 16.0 / 9, 0.05);
    EXPECT_EQ(p.decoded, 5);
    EXPECT_TRUE(test::near(p.first.pixel(360, 288), qRgb(220, 20, 20))) << std::hex << p.first.pixel(360, 288);
}

class OpenGLDVExporterTest : public test::GLSceneTest {};

TEST_F(OpenGLDVExporterTest, SendsFramesThatDecodeAtTheFormatsSize) {
    for (int format : {0, 1}) {
        SCOPED_TRACE(format);
        const DVFormat f = dvFormat(format);
        makeScene(int(f.width), int(f.height));
        RecordingOutput::Log log;
        auto e = OpenGLDVExporter::create(source(), format, true, true, recordingTo(&log));
        ASSERT_TRUE(e);
        EXPECT_EQ(e->framesImageDescription().depth, 24);
        fill(qRgb(200, 40, 40));
        EXPECT_TRUE(e->exportFrame()); // nothing yet to send
        EXPECT_TRUE(log.frames.empty());
        fill(qRgb(40, 200, 40));
        EXPECT_TRUE(e->exportFrame());
        EXPECT_TRUE(e->exportFrame());
        e.reset();
        EXPECT_TRUE(log.ended);
        ASSERT_EQ(log.frames.size(), 2u);
        const QRgb expected[] = {qRgb(200, 40, 40), qRgb(40, 200, 40)};
        for (int i = 0; i < 2; ++i) {
            const Bytes& b = log.frames[std::size_t(i)];
            ASSERT_EQ(b.size(), dvFrameSize(f.displayMode));
            const QImage image =
                decodeFrame(AV_CODEC_ID_DVVIDEO, QByteArray(reinterpret_cast<const char*>(b.data()), qsizetype(b.size())));
            ASSERT_EQ(image.size(), QSize(int(f.width), int(f.height))) << i;
            EXPECT_TRUE(test::near(image.pixel(360, 200), expected[i])) << i << ": " << std::hex << image.pixel(360, 200);
        }
    }
}

TEST_F(OpenGLDVExporterTest, AFailingOutputIsLogged) {
    makeScene(720, 576);
    RecordingOutput::Log log;
    log.refuse = -5;
    auto e = OpenGLDVExporter::create(source(), 1, true, false, recordingTo(&log));
    ASSERT_TRUE(e);
    fill(qRgb(0, 0, 255));
    LogCapture capture;
    EXPECT_FALSE(e->exportFrame());
    EXPECT_EQ(LogCapture::lines(), QStringList{"DecompressSequenceFrameS() failed with error -5"});
}

} // namespace
