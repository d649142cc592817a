// The navigation feed as a pure function of the sample, the clocks and the
// layers' choices: ages and stale values, dashes before data, the heading
// from each gyro sentence, the time, and where the vehicle is put.
#include "render/NavigationFeed.h"

#include "decoder/overlegg.h"
#include "decoder/sjekksum.h"
#include "decoder/tolk.h"
#include "decoder/tolkar.h"
#include "render/ShownValues.h"

#include <GeographicLib/Geodesic.hpp>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <cstring>

using namespace tarnvik;

namespace {

FeedClock at(double decoder) { return {decoder, QDateTime(QDate(2026, 6, 15), QTime(12, 0), Qt::UTC)}; }

NavigationSample fixAt(double time, double latDeg = 60.4, double lonDeg = 5.3) {
    NavigationSample s;
    s.latBoat = latDeg * 60;
    s.lonBoat = lonDeg * 60;
    s.positionTime = time;
    s.transponderDepth = 52.5;
    return s;
}

TEST(NavigationFeed, AgesAndStaleValuesAcrossTheTimeoutsAndDashesBeforeData) {
    const struct {
        double positionTime, headingTime, now;
        double positionTimeout, headingTimeout;
        bool positionShown, positionStale, headingKnown, headingStale;
        const char* positionAge; // text while stale
        const char* headingAge;
    } cases[] = {
        {kNever, kNever, 100, 5, 3, false, false, false, false, "", ""}, // nothing yet: dashes
        {100, 100, 100, 5, 3, true, false, true, false, "", ""},
        {100, 100, 103, 5, 3, true, false, true, false, "", ""},   // the timeout itself is still fresh
        {100, 100, 103.4, 5, 3, true, false, true, true, "", "3 s"},
        {100, 100, 105.2, 5, 3, true, true, true, true, "5 s", "5 s"},
        {100, 90, 112.9, 20, 30, true, false, true, false, "", ""}, // the layers' own timeouts
        {100, kNever, 230, 5, 3, true, true, false, false, "2 min", ""},
        {100, 100, 7300, 5, 3, true, true, true, true, "2 h", "2 h"},
        {100, 100, 98, 5, 3, true, true, true, true, "?", "?"}, // the clock went back
        {100, 100, kNever, 5, 3, true, true, true, true, "?", "?"},
    };
    for (const auto& c : cases) {
        NavigationSample s = fixAt(c.positionTime);
        s.headingTime = c.headingTime;
        s.headingBoat = 370;
        FeedSettings settings;
        settings.positionTimeout = c.positionTimeout;
        settings.headingTimeout = c.headingTimeout;
        const OverlayValues v = overlayValues(s, at(c.now), settings);
        const std::string which = std::to_string(c.now);
        EXPECT_EQ(!v.latitude.isEmpty(), c.positionShown) << which;
        EXPECT_EQ(v.positionStale, c.positionStale) << which;
        EXPECT_EQ(v.positionAgeText, c.positionAge) << which;
        EXPECT_EQ(v.headingKnown, c.headingKnown) << which;
        EXPECT_EQ(v.headingStale, c.headingStale) << which;
        EXPECT_EQ(v.headingAgeText, c.headingAge) << which;
        // The record of the tick: 370° is 10°, and no heading is no number.
        const ShownValues r = shownValues(v, {});
        EXPECT_EQ(r.headingDeg.value_or(-1), c.headingKnown ? 10.0 : -1) << which;
        EXPECT_EQ(r.depth.has_value(), c.positionShown) << which;
    }
}

// A decoder fed these lines, read as the live overlay reads it.
OverlayValues afterLines(std::initializer_list<const char*> lines) {
    auto tolk = std::make_shared<decoder::Tolk>();
    tolk->ut = tolk->feil = std::fopen("/dev/null", "w");
    tolk->tempoklokke = [] { return int64_t{0}; };
    for (const char* l : lines) {
        char buf[256];
        std::snprintf(buf, sizeof buf, "%s", decoder::med_sum(l).c_str());
        decoder::linjesteg(*tolk, buf, 5000, 0);
    }
    setNavigationSource(tolk);
    const OverlayValues v = overlayValues(readNavigation(), at(navigationClock()), {});
    setNavigationSource(nullptr);
    std::fclose(tolk->ut);
    return v;
}

TEST(NavigationFeed, HeadingsFromHdtAndThsByStatusAndNoneBeforeThem) {
    const struct {
        const char* line;
        bool known;
    } cases[] = {
        {"$HEHDT,123.4,T", true},  {"$HETHS,123.4,A", true},  {"$HETHS,123.4,E", true},
        {"$HETHS,123.4,M", false}, {"$HETHS,123.4,S", false}, {"$HETHS,123.4,V", false},
        {"$GPZDA,101500.00,15,06,2026,00,00", false},
    };
    for (const auto& c : cases) {
        const OverlayValues v = afterLines({c.line});
        EXPECT_EQ(v.headingKnown, c.known) << c.line;
        EXPECT_FALSE(v.headingStale) << c.line;
        if (c.known) {
            EXPECT_FLOAT_EQ(v.heading, 123.4f) << c.line;
        }
    }
}

TEST(NavigationFeed, TheClockIsTheStreamsWhileItIsFreshElseTheComputers) {
    NavigationSample s;
    s.streamTime = 100;
    s.streamUtcOffset = 1781518500 - 100; // 2026-06-15 10:15:00 UTC at decoder time 100
    const QDateTime computer = at(0).computerUtc;
    const struct {
        double now;
        bool stream;
        QDateTime shown;
    } cases[] = {
        {102.5, true, QDateTime(QDate(2026, 6, 15), QTime(10, 15, 2, 500), Qt::UTC)},
        {106, false, computer}, // older than the layer's 5 s
        {kNever, false, computer},
    };
    for (const auto& c : cases) {
        const OverlayValues v = overlayValues(s, {c.now, computer}, {});
        EXPECT_EQ(v.clockFromStream, c.stream) << c.now;
        EXPECT_EQ(v.clockUtc, c.shown) << c.now;
        EXPECT_EQ(v.clockOffsetMs, computer.msecsTo(c.shown)) << c.now;
    }
    FeedSettings computerChosen;
    computerChosen.streamClock = false;
    EXPECT_FALSE(overlayValues(s, {101, computer}, computerChosen).clockFromStream);
}

TEST(NavigationFeed, TheMeridianAndThePoles) {
    const struct {
        double latMin, lonMin;     // the vessel, minutes
        double north, east;        // the offset, metres
        const char *lat, *lon;     // as shown; empty: nothing shown
    } cases[] = {
        {0, 10799.99, 0, 50, "  0°0.0000 S", "179°59.9831 W"},   // east across 180°
        {0, -10799.99, 0, -50, "  0°0.0000 S", "179°59.9831 E"}, // and west
        {0, 10799.99, 0, 0, "  0°0.0000 S", "179°59.9900 E"},
        {-0.005, -0.005, 30, 30, "  0°0.0113 N", "  0°0.0112 E"},  // the equator and Greenwich
        {5399.99, 0, 50, 0, " 89°59.9831 N", "180°0.0000 E"},     // over the pole: down the other side
        {-5399.99, 300, -50, 0, " 89°59.9831 S", "175°0.0000 W"},
        {5430, 0, 0, 0, "", ""},                                  // beyond the pole: never shown
    };
    for (const auto& c : cases) {
        NavigationSample s = fixAt(10);
        s.latBoat = c.latMin;
        s.lonBoat = c.lonMin;
        s.lat = c.north / 1852;
        s.lon = c.east / 1852;
        const OverlayValues v = overlayValues(s, at(10), {});
        EXPECT_EQ(v.latitude.toStdString(), c.lat) << c.latMin << " " << c.lonMin;
        EXPECT_EQ(v.longitude.toStdString(), c.lon) << c.latMin << " " << c.lonMin;
        EXPECT_LE(std::fabs(v.latDeg.value_or(0)), 90.0);
        EXPECT_LE(std::fabs(v.lonDeg.value_or(0)), 180.0);
    }
}

// Metres between the feed's position and GeographicLib's own solution.
double missBy(const OverlayValues& v, double lat, double lon, double azimuth, double metres) {
    const auto& g = GeographicLib::Geodesic::WGS84();
    double lat2, lon2, miss;
    g.Direct(lat, lon, azimuth, metres, lat2, lon2);
    g.Inverse(*v.latDeg, *v.lonDeg, lat2, lon2, miss);
    return miss;
}

TEST(NavigationFeed, TheOffsetIsLaidOnTheEllipsoidWithEitherAxisConvention) {
    for (double lat : {0.0, 60.0, 80.0}) {
        for (double metres : {100.0, 2000.0, 5000.0}) {
            // 30° east of north (or of the bow): X 0.5, Y 0.866 of the range as
            // the decoder reads them, or the other way round.
            const double along = metres * std::cos(M_PI / 6), across = metres * std::sin(M_PI / 6);
            const struct {
                bool headUp, swap;
                double heading, azimuth; // the heading of the fix, the bearing expected
            } cases[] = {{false, false, 0, 30}, {false, true, 0, 30}, {true, false, 100, 130}, {true, true, 250, 280}};
            for (const auto& c : cases) {
                NavigationSample s = fixAt(10, lat, 5.3);
                s.lat = (c.swap ? across : along) / 1852;
                s.lon = (c.swap ? along : across) / 1852;
                s.headUp = c.headUp;
                s.headingAtFix = c.heading;
                s.headingBoat = 0; // the vessel has turned since: the fix keeps its own heading
                FeedSettings settings;
                settings.swapXY = c.swap;
                const OverlayValues v = overlayValues(s, at(10), settings);
                ASSERT_TRUE(v.latDeg);
                EXPECT_LT(missBy(v, lat, 5.3, c.azimuth, metres), 0.01)
                    << lat << "° " << metres << " m " << c.headUp << c.swap;
            }
        }
    }
}

TEST(NavigationFeed, TextsKeepTheDecimalPointInANorwegianLocale) {
    // Qt puts the user's locale in force, where printf writes "5,2500".
    QTemporaryDir locales;
    if (QProcess::execute("localedef", {"-i", "nb_NO", "-f", "UTF-8", locales.filePath("nb_NO.UTF-8")}) != 0)
        GTEST_SKIP() << "localedef cannot make nb_NO.UTF-8 here (Debian package locales)";
    qputenv("LOCPATH", locales.path().toLocal8Bit());
    ASSERT_TRUE(std::setlocale(LC_NUMERIC, "nb_NO.UTF-8"));
    char comma[8];
    std::snprintf(comma, sizeof comma, "%.1f", 0.5);
    NavigationSample s = fixAt(0, 60.4, 5.3);
    FeedSettings settings;
    settings.depth = DepthShown::Transponder;
    const OverlayValues v = overlayValues(s, at(0), settings);
    const QString dms = formatDms(60.5, true), decimal = formatDecimal(60.5, true), grid = formatGrid('E', 1.5);
    std::setlocale(LC_NUMERIC, "C");
    qunsetenv("LOCPATH");
    EXPECT_STREQ(comma, "0,5"); // the locale is in force
    EXPECT_EQ(v.latitude, QString::fromUtf8(" 60°24.0000 N"));
    EXPECT_EQ(v.depthText, "Depth 52.5 m");
    EXPECT_EQ(dms + decimal + grid, QString::fromUtf8(" 60°30'00.00\" N 60.500000° NE        1.50 m"));
}

} // namespace
