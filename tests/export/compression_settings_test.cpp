#include "export/CompressionSettings.h"

#include <gtest/gtest.h>

using namespace tarnvik;

namespace {

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
    // Fields a later version adds are passed over.
    EXPECT_EQ(back.parse(s.serialize() + "colourSpace=bt709\n"), 0);
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
}

} // namespace
