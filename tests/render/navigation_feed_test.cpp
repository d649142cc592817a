#include "render/NavigationFeed.h"

#include "decoder/geodesi.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace tarnvik;

namespace {

TEST(FormatMinutes, DegreesMinutesAndHemisphere) {
    struct Case {
        double minutes;
        bool latitude;
        const char* text;
    } cases[] = {
        {3605.25, true, " 60°5.2500 N"},
        {-125.5, true, "  2°5.5000 S"},
        {-30, true, "  0°30.0000 S"},
        {0, false, "  0°0.0000 W"},
        {0, true, "  0°0.0000 S"},
        {319.5678, false, "  5°19.5678 E"},
        {-10799.99999, false, "180°0.0000 W"}, // not 179°60.0000
        {-10799.9999, false, "179°59.9999 W"},
        {std::nan(""), true, "  0°nan S"},
        {1e300, true, ""},
        {-HUGE_VAL, false, ""},
    };
    for (const Case& c : cases) {
        QString got = formatMinutes(c.minutes, c.latitude);
        EXPECT_EQ(got, QString::fromUtf8(c.text)) << c.minutes;
    }
}

// Where the feed puts the vehicle, in minutes, read back from its texts.
double parse(const QString& t) {
    int d = 0;
    double m = 0;
    char h = 0;
    QByteArray b = t.toUtf8();
    EXPECT_EQ(std::sscanf(b.constData(), "%d\xC2\xB0%lf %c", &d, &m, &h), 3) << b.constData();
    double v = d * 60.0 + m;
    return h == 'S' || h == 'W' ? -v : v;
}

TEST(OverlayValues, TurnsOnlyHeadingOrientedOffsets) {
    const double latBoat = 3600.0, lonBoat = 300.0; // 60°N 5°E
    const double k = decoder::lengdeforhold(latBoat);
    struct Case {
        float heading;
        bool headUp;
        double forwardOrNorth, starboardOrEast; // nautical miles
        double dLat, dLonNm;                    // expected, north and east
    } cases[] = {
        // North-oriented offsets stay as they are whatever the heading.
        {0, false, 1, 0, 1, 0},
        {90, false, 1, 0, 1, 0},
        {123, false, 0, 2, 0, 2},
        // Head-up: forward goes along the heading, starboard 90° to the right.
        {0, true, 1, 0, 1, 0},
        {90, true, 1, 0, 0, 1},
        {180, true, 1, 0, -1, 0},
        {270, true, 1, 0, 0, -1},
        {90, true, 0, 1, -1, 0},
        {-90, true, 1, 0, 0, -1},
        {450, true, 1, 0, 0, 1},
    };
    for (const Case& c : cases) {
        NavigationSample s;
        s.headingBoat = c.heading;
        s.headUp = c.headUp;
        s.lat = c.forwardOrNorth;
        s.lon = c.starboardOrEast;
        s.latBoat = latBoat;
        s.lonBoat = lonBoat;
        OverlayValues v = overlayValues(s);
        EXPECT_NEAR(parse(v.latitude), latBoat + c.dLat, 1e-4) << c.heading << " " << c.headUp;
        EXPECT_NEAR(parse(v.longitude), lonBoat + c.dLonNm / k, 1e-4) << c.heading << " " << c.headUp;
    }
}

TEST(OverlayValues, HeadingKeepsItsSignAndEastScalesWithLatitude) {
    NavigationSample s;
    s.headingBoat = -30;
    EXPECT_EQ(overlayValues(s).heading, -30);
    s.headingBoat = 370;
    EXPECT_FLOAT_EQ(overlayValues(s).heading, 10);

    // Before any report: no position, rather than one at 0°, 0°.
    EXPECT_TRUE(overlayValues(s).latitude.isEmpty());

    // 1 nm east at 60°N is 2 minutes of longitude; at the equator 1.
    s.lon = 1;
    s.latBoat = 3600;
    EXPECT_NEAR(parse(overlayValues(s).longitude), 2.0, 1e-3);
    s.latBoat = 0.5;
    EXPECT_NEAR(parse(overlayValues(s).longitude), 1.0, 1e-3);
}

} // namespace
