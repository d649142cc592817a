#include "export/FrameCompressor.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

using namespace tarnvik;

namespace {

// Keeps what the session hands out.
class Recorder : public FrameCompressor {
public:
    static std::unique_ptr<Recorder> create(std::uint32_t codec, bool async) {
        std::unique_ptr<Recorder> r(new Recorder);
        CompressionOptions o;
        o.allowAsynchronousCompletion = async;
        if (!r->initCompressor(codec, 32, 24, o)) return nullptr;
        return r;
    }
    ~Recorder() override { endSession(); }
    struct Got {
        std::int64_t time;
        bool valid;
        std::int64_t duration;
        bool key;
    };
    std::vector<Got> got;

protected:
    void doneCompressingFrame(const EncodedFrame& f) override {
        got.push_back({f.timeStamp, f.timeStampValid, f.decodeDuration, f.keyFrame});
    }

private:
    Recorder() = default;
};

FramePtr blank(FramePool& pool) {
    FramePtr f = pool.take();
    for (unsigned y = 0; y < f->height(); ++y) std::fill_n(f->row(y), f->width() * 4, std::uint8_t(y * 9));
    return f;
}

TEST(FrameCompressorTimes, SecondsBecomeSixHundredthsAndDurationsComeFromTheNextFrame) {
    auto pool = FramePool::create(32, 24);
    auto r = Recorder::create(kCodecPNG, false);
    ASSERT_TRUE(r);
    // 1.5 s is 900; 1.7349 s truncates to 1040; a given duration is kept.
    ASSERT_TRUE(r->compressFrame(blank(*pool), 1.5, NAN));
    ASSERT_TRUE(r->compressFrame(blank(*pool), 1.7349, NAN));
    ASSERT_TRUE(r->compressFrame(blank(*pool), 2.0, 0.1));
    ASSERT_TRUE(r->compressFrame(blank(*pool), 2.5, NAN));
    ASSERT_TRUE(r->flushFrames());
    EXPECT_FALSE(r->compressFrame(blank(*pool), 3.0, NAN)) << "the session has ended";
    ASSERT_EQ(r->got.size(), 4u);
    // The last has no successor: it lasts as long as the last frame timed by one.
    const std::int64_t times[] = {900, 1040, 1200, 1500}, durations[] = {140, 160, 60, 160};
    for (std::size_t i = 0; i < 4; ++i) {
        EXPECT_EQ(r->got[i].time, times[i]) << i;
        EXPECT_TRUE(r->got[i].valid) << i;
        EXPECT_TRUE(r->got[i].key) << i;
        EXPECT_EQ(r->got[i].duration, durations[i]) << i;
    }
}

TEST(FrameCompressorTimes, FramesWithoutTimesAreMarkedSoAndNotHeldBack) {
    auto pool = FramePool::create(32, 24);
    auto r = Recorder::create(kCodecPNG, false);
    ASSERT_TRUE(r);
    ASSERT_TRUE(r->compressFrame(blank(*pool), NAN, NAN));
    EXPECT_EQ(r->got.size(), 1u) << "delivered before compressFrame returned";
    ASSERT_TRUE(r->compressFrame(blank(*pool), -1, NAN));
    ASSERT_EQ(r->got.size(), 2u);
    for (const auto& g : r->got) {
        EXPECT_FALSE(g.valid);
        EXPECT_EQ(g.duration, 0);
    }
}

TEST(FrameCompressorTimes, AnErrorInTheCallbackReachesNoExporter) {
    auto r = Recorder::create(kCodecPNG, false);
    ASSERT_TRUE(r);
    EncodedFrame f;
    EXPECT_EQ(FrameCompressor::frameOutputCallback(r.get(), -5, &f), -5);
    EXPECT_TRUE(r->got.empty());
    EXPECT_EQ(FrameCompressor::frameOutputCallback(r.get(), 0, &f), 0);
    EXPECT_EQ(r->got.size(), 1u);
}

TEST(FrameCompressorTimes, AWorkerSessionDeliversEverythingByTheFlush) {
    auto pool = FramePool::create(32, 24);
    auto r = Recorder::create(kCodecH264, true);
    ASSERT_TRUE(r);
    int accepted = 0;
    for (int i = 0; i < 40; ++i) accepted += r->compressFrame(blank(*pool), i / 25.0, NAN);
    ASSERT_TRUE(r->flushFrames());
    ASSERT_EQ(int(r->got.size()), accepted);
    EXPECT_EQ(accepted + r->framesDropped(), 40);
    for (std::size_t i = 1; i < r->got.size(); ++i) EXPECT_GT(r->got[i].time, r->got[i - 1].time);
}

} // namespace
