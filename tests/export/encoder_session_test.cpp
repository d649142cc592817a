#include "export/EncoderSession.h"
#include "tests/export/log_capture.h"

#include <gtest/gtest.h>

#include <cmath>
#include <condition_variable>
#include <mutex>
#include <vector>

extern "C" {
#include <libavcodec/avcodec.h>
}

using namespace tarnvik;
using tarnvik::test::LogCapture;

namespace {

// Keeps what the session hands it. A held sink keeps the worker in its
// first write until released, as a slow disk would.
class Recorder : public PacketSink {
public:
    struct Got {
        std::int64_t time;
        bool valid;
        std::int64_t duration;
        bool key;
    };
    int open(const SessionFormat& f) override { return extradata = f.codec->extradata_size, 0; }
    void write(const EncodedPacket& p) override {
        std::unique_lock lock(mutex);
        waiting = held;
        changed.notify_all();
        changed.wait(lock, [this] { return !held; });
        got.push_back({p.timeStamp, p.timeStampValid, p.duration, p.keyFrame});
    }
    void close() override { ++closed; }
    void awaitWriter() {
        std::unique_lock lock(mutex);
        changed.wait(lock, [this] { return waiting; });
    }
    void release() {
        std::lock_guard lock(mutex);
        held = false;
        changed.notify_all();
    }
    std::vector<Got> got;
    int extradata = -1;
    int closed = 0;
    bool held = false, waiting = false;
    std::mutex mutex;
    std::condition_variable changed;
};

struct Session {
    Session(std::uint32_t codec, bool worker, int keyFrameInterval = 0, bool lowDelay = false) {
        CompressionOptions o;
        o.allowAsynchronousCompletion = worker;
        o.keyFrameInterval = keyFrameInterval;
        o.lowDelay = lowDelay;
        session = EncoderSession::create(codec, 32, 24, o, true);
        if (session) session->attach(sink);
    }
    bool frame(double t, double duration = NAN, bool key = false) {
        FramePtr f = pool->take();
        for (unsigned y = 0; y < f->height(); ++y) std::fill_n(f->row(y), f->width() * 4, std::uint8_t(y * 9 + t));
        return session->compressFrame(f, t, duration, key);
    }
    std::shared_ptr<FramePool> pool = FramePool::create(32, 24);
    std::shared_ptr<Recorder> sink = std::make_shared<Recorder>();
    std::unique_ptr<EncoderSession> session;
};

TEST(EncoderSession, SecondsBecomeSixHundredthsAndDurationsComeFromTheNextFrame) {
    Session s(kCodecPNG, false);
    ASSERT_TRUE(s.session);
    // 1.5 s is 900; 1.7349 s truncates to 1040; a given duration is kept.
    ASSERT_TRUE(s.frame(1.5));
    ASSERT_TRUE(s.frame(1.7349));
    ASSERT_TRUE(s.frame(2.0, 0.1));
    ASSERT_TRUE(s.frame(2.5));
    EXPECT_EQ(s.sink->got.size(), 3u) << "the last timed frame waits for its successor";
    ASSERT_TRUE(s.session->flush());
    EXPECT_EQ(s.sink->closed, 1);
    EXPECT_FALSE(s.frame(3.0)) << "the session has ended";
    ASSERT_EQ(s.sink->got.size(), 4u);
    // The last has no successor: it lasts as long as the last frame timed by one.
    const std::int64_t times[] = {900, 1040, 1200, 1500}, durations[] = {140, 160, 60, 160};
    for (std::size_t i = 0; i < 4; ++i) {
        EXPECT_EQ(s.sink->got[i].time, times[i]) << i;
        EXPECT_TRUE(s.sink->got[i].valid) << i;
        EXPECT_TRUE(s.sink->got[i].key) << i;
        EXPECT_EQ(s.sink->got[i].duration, durations[i]) << i;
    }
}

TEST(EncoderSession, FramesWithoutTimesAreMarkedSoAndNotHeldBack) {
    Session s(kCodecPNG, false);
    ASSERT_TRUE(s.session);
    for (double t : {double(NAN), -1.0}) {
        const std::size_t before = s.sink->got.size();
        ASSERT_TRUE(s.frame(t));
        ASSERT_EQ(s.sink->got.size(), before + 1) << "delivered before compressFrame returned";
        EXPECT_FALSE(s.sink->got.back().valid);
        EXPECT_EQ(s.sink->got.back().duration, 0);
    }
}

TEST(EncoderSession, AWorkerSessionDeliversEverythingByTheFlush) {
    Session s(kCodecH264, true);
    ASSERT_TRUE(s.session);
    EXPECT_GT(s.sink->extradata, 0) << "the codec's set-up reaches the sink out of band";
    int accepted = 0;
    for (int i = 0; i < 40; ++i) accepted += s.frame(i / 25.0);
    ASSERT_TRUE(s.session->flush());
    ASSERT_EQ(int(s.sink->got.size()), accepted);
    EXPECT_EQ(accepted + s.session->framesDropped(), 40);
    for (std::size_t i = 1; i < s.sink->got.size(); ++i) EXPECT_GT(s.sink->got[i].time, s.sink->got[i - 1].time);
}

// A worker held up fills its queue: frames are refused, counted, and
// logged once for the run, and once more when it has caught up.
TEST(EncoderSession, DropsAreCountedAndLoggedOncePerRun) {
    Session s(kCodecPNG, true);
    ASSERT_TRUE(s.session);
    s.sink->held = true;
    LogCapture log;
    ASSERT_TRUE(s.frame(0, 1));
    s.sink->awaitWriter();
    int t = 1;
    while (s.frame(t++, 1)) {
    }
    for (int i = 0; i < 5; ++i) EXPECT_FALSE(s.frame(t++, 1));
    ASSERT_EQ(s.session->framesDropped(), 6);
    ASSERT_EQ(LogCapture::lines().size(), 1) << LogCapture::text();
    EXPECT_TRUE(LogCapture::lines()[0].contains("the encoder is behind")) << LogCapture::text();
    s.sink->release();
    while (!s.frame(t++, 1)) {
    }
    ASSERT_EQ(LogCapture::lines().size(), 2) << LogCapture::text();
    EXPECT_EQ(LogCapture::lines()[1],
              QString("The encoder caught up; %1 frames were dropped").arg(s.session->framesDropped()));
    EXPECT_TRUE(s.session->flush());
}

// A sink that joins a running session (a viewer, the next file of a split
// recording) starts at a key frame; one detached hears nothing more.
TEST(EncoderSession, SinksJoinAtAKeyFrameAndLeaveAtOnce) {
    Session s(kCodecH264, false, 250, true);
    ASSERT_TRUE(s.session);
    for (int i = 0; i < 3; ++i) ASSERT_TRUE(s.frame(i, 1));
    auto joined = std::make_shared<Recorder>();
    ASSERT_EQ(s.session->attach(joined), 0);
    ASSERT_TRUE(s.frame(3, 1));
    EXPECT_TRUE(joined->got.empty()) << "not a key frame";
    ASSERT_TRUE(s.frame(4, 1, true));
    ASSERT_EQ(joined->got.size(), 1u);
    EXPECT_TRUE(joined->got[0].key);
    EXPECT_EQ(joined->got[0].time, 2400);
    s.session->detach(s.sink.get());
    EXPECT_EQ(s.sink->closed, 1);
    ASSERT_TRUE(s.frame(5, 1));
    EXPECT_EQ(s.sink->got.size(), 5u);
    EXPECT_EQ(joined->got.size(), 2u);
    EXPECT_FALSE(joined->got[1].key);
    s.session->end();
    EXPECT_EQ(joined->closed, 1);
    EXPECT_EQ(s.sink->closed, 1);
    EXPECT_NE(s.session->attach(std::make_shared<Recorder>()), 0) << "the session has ended";
}

// A split recording hands over from one file to the next on the encoder's
// thread: each packet reaches exactly one of them, and each starts with its
// key frame.
TEST(EncoderSession, AHandOverGivesEveryPacketToExactlyOneSink) {
    Session s(kCodecH264, true, 250);
    ASSERT_TRUE(s.session);
    auto b = std::make_shared<Recorder>(), c = std::make_shared<Recorder>();
    for (int i = 0; i < 30; ++i) {
        if (i == 10) {
            ASSERT_EQ(s.session->attachAt(b, 10 * 600, s.sink.get()), 0);
        } else if (i == 20) {
            ASSERT_EQ(s.session->attachAt(c, 20 * 600, b.get()), 0);
        }
        // A worker that is behind refuses; the frame is offered again.
        while (!s.frame(i, NAN, i == 10 || i == 20)) {}
    }
    ASSERT_TRUE(s.session->flush());
    const struct {
        std::shared_ptr<Recorder> sink;
        int first, count;
    } expected[] = {{s.sink, 0, 10}, {b, 10, 10}, {c, 20, 10}};
    for (const auto& e : expected) {
        ASSERT_EQ(int(e.sink->got.size()), e.count) << e.first;
        EXPECT_EQ(e.sink->closed, 1) << e.first;
        EXPECT_TRUE(e.sink->got.front().key) << e.first;
        for (int i = 0; i < e.count; ++i) {
            EXPECT_EQ(e.sink->got[i].time, (e.first + i) * 600) << e.first;
            EXPECT_EQ(e.sink->got[i].duration, 600) << "the last before a hand-over lasts until it";
        }
    }
}

} // namespace
