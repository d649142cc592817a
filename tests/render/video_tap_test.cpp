#include "render/VideoDecoder.h"
#include "render/VideoTap.h"
#include "tests/export/recording_files.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <condition_variable>
#include <mutex>
#include <vector>

using namespace tarnvik;

namespace {

class Listener : public VideoTapListener {
public:
    void streamOpened(const void*, const AVStream* stream) override {
        std::lock_guard lock(mutex);
        events.push_back("opened");
        codec = stream->codecpar->codec_id;
    }
    void packetRead(const void*, const AVPacket* p) override {
        std::lock_guard lock(mutex);
        if (events.back() != "packet") events.push_back("packet");
        packets.emplace_back(reinterpret_cast<const char*>(p->data), p->size);
        changed.notify_all();
    }
    void pictureDecoded(const void*, const AVFrame*) override {
        std::lock_guard lock(mutex);
        ++pictures;
    }
    void streamClosed(const void*) override {
        std::lock_guard lock(mutex);
        events.push_back("closed");
    }
    bool awaitPackets(std::size_t n) {
        std::unique_lock lock(mutex);
        return changed.wait_for(lock, std::chrono::seconds(20), [&] { return packets.size() >= n; });
    }
    std::mutex mutex;
    std::condition_variable changed;
    std::vector<std::string> events;
    std::vector<QByteArray> packets;
    AVCodecID codec = AV_CODEC_ID_NONE;
    int pictures = 0;
};

// The video layer's source hands its stream to the tap as it reads it: the
// clean copy of a recording gets the camera's packets as they are.
TEST(VideoTap, HearsEveryPacketOfTheStreamAsReadAndItsEnd) {
    av_log_set_level(AV_LOG_FATAL);
    QTemporaryDir dir;
    const QString clip = dir.filePath("clip.mov");
    ASSERT_TRUE(test::writeMarkedClip(clip, 12, 5));
    const test::RecordingFile file = test::readRecording(clip, false);
    ASSERT_EQ(file.packets.size(), 12u);

    auto listener = std::make_shared<Listener>();
    VideoTap::shared().setListener(listener);
    VideoDecoder::Options options;
    options.pace = false;
    {
        VideoDecoder decoder(options);
        ASSERT_TRUE(decoder.start(clip));
        // Twice round: a file source loops.
        ASSERT_TRUE(listener->awaitPackets(24));
        decoder.stop();
    }
    VideoTap::shared().setListener(nullptr);
    std::lock_guard lock(listener->mutex);
    EXPECT_EQ(listener->events, (std::vector<std::string>{"opened", "packet", "closed"}));
    EXPECT_EQ(listener->codec, AV_CODEC_ID_H264);
    for (std::size_t i = 0; i < 24; ++i) EXPECT_EQ(listener->packets[i], file.packets[i % 12]) << i;
    EXPECT_GE(listener->pictures, 12);
    av_log_set_level(AV_LOG_INFO);
}

} // namespace
