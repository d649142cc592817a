#include "export/CompressionDialog.h"
#include "export/FrameCompressor.h"
#include "render/UserDefaults.h"
#include "tests/export/log_capture.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QSlider>
#include <QSpinBox>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

using namespace tarnvik;
using tarnvik::test::LogCapture;

namespace {

const QString kAutosave = QStringLiteral("CompressionDialogSettings");

TEST(CompressionSettings, RoundTripsAsOneBlock) {
    CompressionSettings s;
    s.codec = kCodecProRes422;
    s.quality = 1000;
    s.dataRate = 2'500'000;
    s.keyFrameInterval = 0;
    s.frameRate = 29.97;
    CompressionSettings back;
    ASSERT_EQ(back.parse(s.serialize()), 0);
    EXPECT_EQ(back, s);
}

TEST(CompressionSettings, ForeignOrDamagedBlocksLeaveTheSettingsAlone) {
    const QByteArray good = CompressionSettings{}.serialize();
    QByteArray noCodec = good;
    noCodec.replace("codec=avc1\n", "");
    const struct {
        const char* what;
        QByteArray block;
        int error;
    } cases[] = {
        {"empty", QByteArray(), -1},
        {"someone else's", "bplist00\x01\x02", -1},
        {"a line without a value", good + "garbage\n", -2},
        {"a number that is not one", QByteArray(good).replace("quality=768", "quality=high"), -2},
        {"quality out of range", QByteArray(good).replace("quality=768", "quality=5000"), -3},
        {"a codec we cannot record", QByteArray(good).replace("codec=avc1", "codec=dvcp"), -3},
        {"a field missing", noCodec, -3},
        {"a frame rate of zero", QByteArray(good).replace("frameRate=25", "frameRate=0"), -3},
    };
    for (const auto& c : cases) {
        CompressionSettings s;
        s.quality = 3;
        EXPECT_EQ(s.parse(c.block), c.error) << c.what;
        EXPECT_EQ(s.quality, 3) << c.what;
    }
    // Fields a later version adds are passed over.
    CompressionSettings s;
    EXPECT_EQ(s.parse(good + "colourSpace=bt709\n"), 0);
}

class UserOptionsTest : public testing::Test {
protected:
    QString file() const { return dir.filePath("Tarnvik.plist"); }
    QTemporaryDir dir;
};

TEST_F(UserOptionsTest, TheChoiceIsKeptAndOfferedNextTime) {
    std::uint32_t codec = 0;
    double rate = 25.0;
    {
        UserDefaults defaults(file());
        auto options = FrameCompressor::userOptions(&codec, &rate, kAutosave, &defaults, nullptr,
                                                    [](CompressionDialog& d) {
                                                        // A first run offers the dialog's defaults.
                                                        EXPECT_EQ(d.settings(), CompressionSettings{});
                                                        d.codecMenu()->setCurrentIndex(
                                                            d.codecMenu()->findData(kCodecMotionJPEG));
                                                        d.qualitySlider()->setValue(300);
                                                        d.dataRateField()->setValue(900);
                                                        d.keyFrameBox()->setChecked(false);
                                                        d.frameRateField()->setValue(30);
                                                        return 0;
                                                    });
        ASSERT_TRUE(options);
        EXPECT_EQ(codec, kCodecMotionJPEG);
        EXPECT_EQ(rate, 30.0);
        EXPECT_EQ(options->quality, 300);
        EXPECT_EQ(options->dataRate, 900'000);
        EXPECT_EQ(options->keyFrameInterval, 0);
        EXPECT_FALSE(options->allowAsynchronousCompletion);
    }
    // Stored in the file at once, not only when the program ends.
    UserDefaults again(file());
    ASSERT_TRUE(again.value(kAutosave).isValid());
    CompressionSettings offered;
    auto options = FrameCompressor::userOptions(&codec, &rate, kAutosave, &again, nullptr, [&](CompressionDialog& d) {
        offered = d.settings();
        return 0;
    });
    ASSERT_TRUE(options);
    EXPECT_EQ(offered.codec, kCodecMotionJPEG);
    EXPECT_EQ(offered.quality, 300);
    EXPECT_EQ(offered.frameRate, 30.0);
}

TEST_F(UserOptionsTest, CancelOrFailureGivesNoOptionsAndLeavesTheOutValues) {
    UserDefaults defaults(file());
    const struct {
        int answer;
        const char* logged; // null: nothing
    } cases[] = {{1, nullptr}, {-50, "SCRequestSequenceSettings() failed with error -50"}};
    for (const auto& c : cases) {
        std::uint32_t codec = 7;
        double rate = 25.0;
        LogCapture log;
        EXPECT_FALSE(FrameCompressor::userOptions(&codec, &rate, kAutosave, &defaults, nullptr,
                                                  [&](CompressionDialog&) { return c.answer; }));
        EXPECT_EQ(codec, 7u);
        EXPECT_EQ(rate, 25.0);
        EXPECT_EQ(LogCapture::lines(), c.logged ? QStringList{c.logged} : QStringList{});
        EXPECT_FALSE(defaults.value(kAutosave).isValid()) << "nothing chosen, nothing kept";
    }
}

TEST_F(UserOptionsTest, DamagedStoredSettingsAreReportedAndReplaced) {
    UserDefaults defaults(file());
    defaults.setValue(kAutosave, QByteArray("not our settings"));
    LogCapture log;
    CompressionSettings offered;
    ASSERT_TRUE(FrameCompressor::userOptions(nullptr, nullptr, kAutosave, &defaults, nullptr, [&](CompressionDialog& d) {
        offered = d.settings();
        return 0;
    }));
    EXPECT_EQ(LogCapture::lines(), QStringList{"SCSetSettingsFromAtomContainer() failed with error -1"});
    EXPECT_EQ(offered, CompressionSettings{});
    CompressionSettings stored;
    EXPECT_EQ(stored.parse(defaults.value(kAutosave).toByteArray()), 0);
}

TEST_F(UserOptionsTest, WithoutAnAutosaveNameNothingIsStored) {
    UserDefaults defaults(file());
    ASSERT_TRUE(FrameCompressor::userOptions(nullptr, nullptr, QString(), &defaults, nullptr,
                                             [](CompressionDialog&) { return 0; }));
    EXPECT_TRUE(defaults.values().isEmpty());
}

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
