#include "export/CleanCopy.h"
#include "tests/export/recording_files.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

using namespace tarnvik;
using namespace tarnvik::test;

namespace {

class CleanCopyTest : public testing::Test {
protected:
    void SetUp() override { av_log_set_level(AV_LOG_FATAL); }
    void TearDown() override { av_log_set_level(AV_LOG_INFO); }

    // Names "NAME-clean.mov", then "NAME-clean-2.mov" and on.
    CleanCopy::Namer namer(const QString& name) {
        return [this, name](int attempt) {
            return dir.filePath(name + "-clean" + (attempt ? QString("-%1").arg(attempt + 1) : QString()) + ".mov");
        };
    }
    QTemporaryDir dir;
};

// The source is read as the video layer reads it, twice over as a looping
// file is, with cuts asked for between key frames.
TEST_F(CleanCopyTest, CompressedPacketsAreWrittenAsTheyAreAndCutAtKeyFrames) {
    const QString source = dir.filePath("camera.mov");
    ASSERT_TRUE(writeMarkedClip(source, 60, 10));
    const RecordingFile original = readRecording(source, false);
    ASSERT_EQ(original.pts.size(), 60u);
    QFile taken(dir.filePath("a-clean.mov"));
    ASSERT_TRUE(taken.open(QIODevice::WriteOnly));
    taken.close();

    CleanCopy copy(kCodecH264, CompressionOptions{});
    AVFormatContext* fmt = nullptr;
    ASSERT_GE(avformat_open_input(&fmt, QFile::encodeName(source).constData(), nullptr, nullptr), 0);
    ASSERT_GE(avformat_find_stream_info(fmt, nullptr), 0);
    copy.streamOpened(fmt->streams[0]);
    AVPacket* pkt = av_packet_alloc();
    int n = 0;
    for (int pass = 0; pass < 2; ++pass) {
        ASSERT_GE(av_seek_frame(fmt, 0, 0, AVSEEK_FLAG_BACKWARD), 0);
        while (av_read_frame(fmt, pkt) >= 0) {
            if (n == 0) copy.cutTo(namer("a"), QDateTime());
            if (n == 25) copy.cutTo(namer("b"), QDateTime());
            if (n == 85) copy.cutTo(namer("c"), QDateTime());
            copy.packetRead(pkt);
            av_packet_unref(pkt);
            ++n;
        }
    }
    av_packet_free(&pkt);
    avformat_close_input(&fmt);
    copy.finish();

    EXPECT_EQ(taken.size(), 0);
    const struct {
        const char* name;
        int first, count;
    } files[] = {{"a-clean-2.mov", 0, 30}, {"b-clean.mov", 30, 60}, {"c-clean.mov", 90, 30}};
    for (const auto& f : files) {
        SCOPED_TRACE(f.name);
        const RecordingFile r = readRecording(dir.filePath(f.name), false);
        ASSERT_TRUE(r.opened);
        ASSERT_EQ(int(r.packets.size()), f.count);
        EXPECT_TRUE(r.keys[0]);
        for (int i = 0; i < f.count; ++i) {
            ASSERT_EQ(r.packets[i], original.packets[(f.first + i) % 60]) << i;
            // The source's times, each file from 0, going on across the loop.
            ASSERT_EQ(av_rescale_q(r.pts[i], r.timeBase, AVRational{1, 600}), 24 * i) << i;
        }
    }
    EXPECT_EQ(copy.framesWritten(), 120);
    EXPECT_EQ(copy.files(), 3);
}

// A raw camera's pictures are encoded, each file beginning with a key frame
// at the picture after the cut; a source that opens anew begins another file.
TEST_F(CleanCopyTest, RawPicturesAreEncodedAndCutAtTheNextPicture) {
    AVFormatContext* fake = avformat_alloc_context();
    AVStream* stream = avformat_new_stream(fake, nullptr);
    stream->codecpar->codec_type = AVMEDIA_TYPE_VIDEO;
    stream->codecpar->codec_id = AV_CODEC_ID_RAWVIDEO;
    stream->codecpar->format = AV_PIX_FMT_YUV420P;
    stream->codecpar->width = 32;
    stream->codecpar->height = 24;
    stream->time_base = AVRational{1, 1000000}; // V4L2 gives microseconds
    stream->avg_frame_rate = AVRational{25, 1};
    AVFrame* picture = av_frame_alloc();
    picture->format = AV_PIX_FMT_YUV420P;
    picture->width = 32;
    picture->height = 24;
    ASSERT_GE(av_frame_get_buffer(picture, 0), 0);

    CleanCopy copy(kCodecMotionJPEG, CompressionOptions{});
    auto feed = [&](int from, int to) {
        for (int i = from; i < to; ++i) {
            // The mark as luma, in the left and the right half.
            for (int y = 0; y < 24; ++y)
                for (int x = 0; x < 32; ++x) {
                    const int v = (x < 16 ? i % 16 : i / 16 % 16) * 16 + 8;
                    picture->data[0][y * picture->linesize[0] + x] = std::uint8_t(16 + v * 219 / 255);
                }
            for (int p = 1; p < 3; ++p) std::fill_n(picture->data[p], picture->linesize[p] * 12, 128);
            picture->best_effort_timestamp = 5'000'000 + i * 40'000;
            copy.pictureDecoded(picture);
        }
    };
    copy.streamOpened(stream);
    copy.cutTo(namer("a"), QDateTime());
    feed(0, 13);
    copy.cutTo(namer("b"), QDateTime());
    feed(13, 20);
    copy.streamClosed();
    copy.streamOpened(stream);
    feed(20, 25);
    copy.finish();
    av_frame_free(&picture);
    avformat_free_context(fake);

    const struct {
        const char* name;
        int first, count;
    } files[] = {{"a-clean.mov", 0, 13}, {"b-clean.mov", 13, 7}, {"b-clean-2.mov", 20, 5}};
    for (const auto& f : files) {
        SCOPED_TRACE(f.name);
        const RecordingFile r = readRecording(dir.filePath(f.name));
        ASSERT_TRUE(r.opened);
        EXPECT_EQ(r.codec, AV_CODEC_ID_MJPEG);
        ASSERT_EQ(int(r.marks.size()), f.count);
        EXPECT_TRUE(r.keys[0]);
        for (int i = 0; i < f.count; ++i) {
            EXPECT_EQ(r.marks[i], f.first + i) << i;
            EXPECT_EQ(r.pts[i], 24 * i) << i;
        }
    }
    EXPECT_EQ(copy.framesWritten(), 25);
}

} // namespace
