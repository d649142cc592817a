// The network stream: a UDP receiver decodes what is sent; an SRT listener
// encodes nothing until a viewer connects, and takes the next viewer after
// one leaves; packets of a session that keeps its set-up out of band still
// play; an address that cannot be used fails at once, saying why.
#include "export/FrameStreamExporter.h"
#include "tests/export/log_capture.h"
#include "tests/export/stream_receiver.h"
#include "tools/loopback.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <functional>
#include <thread>

using namespace tarnvik;
using tarnvik::test::LogCapture;
using tarnvik::test::StreamReceiver;

namespace {

class StreamTest : public testing::Test {
protected:
    void SetUp() override { av_log_set_level(AV_LOG_QUIET); }
    void TearDown() override { av_log_set_level(AV_LOG_INFO); }

    FramePtr frame(unsigned w, unsigned h) {
        if (!pool || pool->width() != w || pool->height() != h) pool = FramePool::create(w, h);
        FramePtr f = pool->take();
        std::memset(f->data(), int(++shade), f->stride() * h);
        return f;
    }
    // Frames 1/25 s apart in render time, as fast as they are taken, until
    // done; false after 20 s.
    bool feedUntil(const std::function<bool(double)>& give, const std::function<bool()>& done) {
        const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        while (!done()) {
            if (std::chrono::steady_clock::now() > end) return false;
            give(next());
            std::this_thread::yield();
        }
        return true;
    }
    bool feedUntil(FrameStreamExporter& e, const std::function<bool()>& done, unsigned w = 320, unsigned h = 240) {
        return feedUntil([&](double t) { return e.exportFrame(frame(w, h), t); }, done);
    }
    // 1/25 s on: 24/600 s, and half a tick more, which keeps truncating
    // to 1/600 s exact.
    double next() { return time = (++ticks * 24 + 0.5) / 600; }
    static std::string url(const char* scheme, int port, const char* query = "") {
        return std::string(scheme) + "://127.0.0.1:" + std::to_string(port) + query;
    }

    LogCapture log;
    std::shared_ptr<FramePool> pool;
    unsigned shade = 0;
    double time = 0;
    int ticks = 0;
};

TEST_F(StreamTest, AUdpReceiverDecodesThePicturesAtTheirSizeAndRate) {
    const int port = loopback::ledig_port();
    StreamReceiver viewer(url("udp", port));
    std::string why;
    auto e = FrameStreamExporter::create({url("udp", port), 1'000'000, 25}, &why);
    ASSERT_TRUE(e) << why;
    EXPECT_FALSE(e->output().waitsForViewers());
    ASSERT_TRUE(feedUntil(*e, [&] { return viewer.count() >= 10; }));
    // A new render size: a new encoder, and the same receiver goes on.
    ASSERT_TRUE(feedUntil(
        *e, [&] { return viewer.pictures().back().width == 160; }, 160, 96));
    viewer.leave();
    const auto pictures = viewer.pictures();
    EXPECT_TRUE(pictures.front().key);
    EXPECT_EQ(pictures.front().width, 320);
    EXPECT_EQ(pictures.front().height, 240);
    EXPECT_EQ(pictures.back().height, 96);
    // Frames the busy encoder refused leave gaps; the rest are 1/25 s apart.
    std::int64_t step = INT64_MAX;
    for (std::size_t i = 1; i < pictures.size(); ++i) step = std::min(step, pictures[i].pts - pictures[i - 1].pts);
    EXPECT_EQ(step, 3600);
}

TEST_F(StreamTest, AnSrtListenerEncodesOnlyForAViewerAndTakesTheNextOne) {
    const int port = loopback::ledig_port();
    std::string why;
    auto e = FrameStreamExporter::create({url("srt", port, "?mode=listener"), 1'000'000, 25}, &why);
    ASSERT_TRUE(e) << why;
    EXPECT_TRUE(e->output().waitsForViewers());
    for (int i = 0; i < 10; ++i) EXPECT_FALSE(e->exportFrame(frame(320, 240), next()));
    EXPECT_EQ(e->framesEncoded(), 0);
    EXPECT_EQ(e->framesUnwatched(), 10);

    for (int round = 1; round <= 2; ++round) {
        SCOPED_TRACE(round);
        {
            StreamReceiver viewer(url("srt", port));
            ASSERT_TRUE(feedUntil(*e, [&] { return viewer.count() >= 10 || viewer.done(); }));
            EXPECT_TRUE(viewer.pictures().front().key);
            EXPECT_EQ(viewer.pictures().front().width, 320);
        }
        EXPECT_EQ(e->output().viewers(), round);
        // Gone: the next packets fail to go out, and encoding stops.
        ASSERT_TRUE(feedUntil(*e, [&] { return !e->output().watched(); }));
        const std::int64_t encoded = e->framesEncoded(), unwatched = e->framesUnwatched();
        EXPECT_FALSE(e->exportFrame(frame(320, 240), next()));
        EXPECT_EQ(e->framesEncoded(), encoded);
        EXPECT_EQ(e->framesUnwatched(), unwatched + 1);
    }
    EXPECT_TRUE(LogCapture::lines().join('\n').contains("the viewer left")) << LogCapture::text();
}

// One encoder for a movie and a stream: its set-up is out of band, as a
// movie file keeps it, and the stream still carries it to the viewer.
TEST_F(StreamTest, ASessionWithItsSetUpOutOfBandStillPlays) {
    const int port = loopback::ledig_port();
    StreamReceiver viewer(url("udp", port));
    std::string why;
    std::shared_ptr<StreamOutput> out = StreamOutput::start(url("udp", port), &why);
    ASSERT_TRUE(out) << why;
    CompressionOptions o;
    o.keyFrameInterval = 5;
    auto session = EncoderSession::create(kCodecH264, 320, 240, o, true);
    ASSERT_TRUE(session);
    ASSERT_GT(session->format().codec->extradata_size, 0);
    ASSERT_EQ(session->attach(std::make_shared<StreamSink>(out)), 0);
    ASSERT_TRUE(feedUntil([&](double t) { return session->compressFrame(frame(320, 240), t, 0.04); },
                          [&] { return viewer.count() >= 5; }));
    EXPECT_EQ(viewer.pictures().front().width, 320);
}

TEST_F(StreamTest, AnAddressThatCannotBeUsedFailsAtOnceSayingWhy) {
    const int taken = loopback::ledig_port();
    const int fd = socket(AF_INET, SOCK_DGRAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(std::uint16_t(taken));
    ASSERT_EQ(bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a), 0);
    const struct {
        std::string url;
        const char* says;
    } cases[] = {
        {"http://127.0.0.1:9000", "the address must begin with srt:// or udp://"},
        {"srt://0.0.0.0?mode=listener", "the address has no port"},
        {"udp://:9000", "the address has no host"},
        {"srt://0.0.0.0:" + std::to_string(taken) + "?mode=listener", "Address already in use"},
        {"udp://host.invalid:9000", "the host \"host.invalid\" cannot be found (Name or service not known)"},
    };
    for (const auto& c : cases) {
        std::string why;
        EXPECT_FALSE(FrameStreamExporter::create({c.url, 1'000'000, 25}, &why)) << c.url;
        EXPECT_EQ(why, c.says) << c.url;
    }
    close(fd);
}

} // namespace
