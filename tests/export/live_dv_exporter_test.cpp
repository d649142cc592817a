#include "export/DVStreamOutput.h"
#include "export/FrameLiveDVExporter.h"
#include "tests/export/log_capture.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <cmath>
#include <mutex>
#include <vector>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
}

using namespace tarnvik;
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

void fill(Frame& f, std::uint8_t r, std::uint8_t g, std::uint8_t b) {
    for (unsigned y = 0; y < f.height(); ++y)
        for (unsigned x = 0; x < f.width(); ++x) {
            std::uint8_t* p = f.row(y) + x * 4;
            p[0] = 255, p[1] = r, p[2] = g, p[3] = b;
        }
}

TEST(LiveDVFormats, SizeAndRateOfEachFormat) {
    const struct {
        int format;
        QSizeF size;
        double rate;
    } cases[] = {{0, {720, 480}, 29.969999313354492}, {1, {720, 576}, 25}, {2, {0, 0}, 0}, {-1, {0, 0}, 0}};
    for (const auto& c : cases) {
        EXPECT_EQ(FrameLiveDVExporter::sizeForFormat(c.format), c.size) << c.format;
        EXPECT_EQ(double(FrameLiveDVExporter::framerateForFormat(c.format)), c.rate) << c.format;
    }
}

TEST(LiveDVExporter, OtherFormatsAreRefusedSilently) {
    RecordingOutput::Log log;
    LogCapture capture;
    for (int format : {2, -1, 100}) EXPECT_FALSE(FrameLiveDVExporter::create(format, false, false, recordingTo(&log)));
    EXPECT_TRUE(LogCapture::lines().isEmpty()) << LogCapture::text();
}

TEST(LiveDVExporter, WithoutAnyOutputThereIsNoExporter) {
    LogCapture capture;
    EXPECT_FALSE(FrameLiveDVExporter::create(1, false, false, {}));
    ASSERT_EQ(LogCapture::lines().size(), 1);
    EXPECT_TRUE(LogCapture::lines()[0].startsWith("Video out component creation failed (error ")) << LogCapture::text();
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
            auto pool = FramePool::create(f.width, f.height);
            for (int i = 0; i < 3;) {
                FramePtr frame = pool->take();
                fill(*frame, 200, 30, 30);
                if (e->exportFrame(frame)) ++i;
            }
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
        auto pool = FramePool::create(720, 576);
        auto send = [&](int n) {
            for (int i = 0; i < n;)
                if (FramePtr frame = pool->take(); fill(*frame, 0, 0, 0), e->exportFrame(frame)) ++i;
        };
        send(3);
        // The output takes frames again once the three have been refused.
        for (bool refusedAll = false; !refusedAll;) {
            std::lock_guard lock(log.mutex);
            if ((refusedAll = log.attempts == 3)) log.refuse = 0;
        }
        send(2);
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
    const std::string file = dir.filePath("live.dv").toStdString();
    {
        auto e = FrameLiveDVExporter::create(1, false, true, videoOutputCandidates(file));
        ASSERT_TRUE(e);
        auto pool = FramePool::create(720, 576);
        for (int i = 0; i < 5;)
            if (FramePtr frame = pool->take(); fill(*frame, 220, 20, 20), e->exportFrame(frame)) ++i;
        e->flushFrames();
    }
    AVFormatContext* fmt = nullptr;
    ASSERT_GE(avformat_open_input(&fmt, file.c_str(), av_find_input_format("dv"), nullptr), 0);
    ASSERT_GE(avformat_find_stream_info(fmt, nullptr), 0);
    const AVStream* st = fmt->streams[0];
    EXPECT_EQ(st->codecpar->codec_id, AV_CODEC_ID_DVVIDEO);
    EXPECT_EQ(st->codecpar->width, 720);
    EXPECT_EQ(st->codecpar->height, 576);
    EXPECT_EQ(av_q2d(st->avg_frame_rate), 25.0);
    // Wide-screen: a 16:9 picture on 720 × 576.
    const AVRational sar = av_guess_sample_aspect_ratio(fmt, const_cast<AVStream*>(st), nullptr);
    EXPECT_NEAR(av_q2d(sar) * 720 / 576, 16.0 / 9, 0.05);
    const AVCodec* codec = avcodec_find_decoder(AV_CODEC_ID_DVVIDEO);
    AVCodecContext* dec = avcodec_alloc_context3(codec);
    avcodec_parameters_to_context(dec, st->codecpar);
    ASSERT_GE(avcodec_open2(dec, codec, nullptr), 0);
    AVPacket* pkt = av_packet_alloc();
    AVFrame* frame = av_frame_alloc();
    int frames = 0;
    bool red = false;
    while (av_read_frame(fmt, pkt) >= 0) {
        if (avcodec_send_packet(dec, pkt) >= 0 && avcodec_receive_frame(dec, frame) >= 0) {
            ++frames;
            // Strong red: Y low-ish, Cr well above the middle.
            const int y = frame->data[0][288 * frame->linesize[0] + 360];
            const int cr = frame->data[2][144 * frame->linesize[2] + 180];
            red = y < 110 && cr > 200;
        }
        av_packet_unref(pkt);
    }
    EXPECT_EQ(frames, 5);
    EXPECT_TRUE(red);
    av_frame_free(&frame);
    av_packet_free(&pkt);
    avcodec_free_context(&dec);
    avformat_close_input(&fmt);
}

} // namespace
