// The position's texts in each format, and its grid coordinates against
// PROJ's own cs2cs (the figures were taken from it once, with
// "cs2cs -d 3 EPSG:4326 EPSG:CODE").
#include "render/GridCoordinates.h"
#include "render/NavigationFeed.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace tarnvik;

namespace {

TEST(CoordinateText, EachFormat) {
    const struct {
        QString got;
        const char* text;
    } cases[] = {
        {formatMinutes(3605.25, true), " 60°5.2500 N"},
        {formatMinutes(-125.5, true), "  2°5.5000 S"},
        {formatMinutes(-30, true), "  0°30.0000 S"},
        {formatMinutes(0, false), "  0°0.0000 W"},
        {formatMinutes(319.5678, false), "  5°19.5678 E"},
        {formatMinutes(-10799.99999, false), "180°0.0000 W"}, // not 179°60.0000
        {formatMinutes(-10799.9999, false), "179°59.9999 W"},
        {formatMinutes(std::nan(""), true), "  0°nan S"},
        {formatMinutes(1e300, true), ""},
        {formatMinutes(-HUGE_VAL, false), ""},
        {formatDms(60.41833333, true), " 60°25'06.00\" N"},
        {formatDms(-5.999999, false), "  6°00'00.00\" W"}, // 59.9964" carries
        {formatDms(-0.5, true), "  0°30'00.00\" S"},
        {formatDecimal(60.4183333, true), " 60.418333° N"},
        {formatDecimal(-179.9999999, false), "180.000000° W"},
        {formatGrid('N', 6703647.076), "N  6703647.08 m"},
        {formatGrid('E', std::nan("")), ""},
        {formatAge(0.4), "0 s"},
        {formatAge(119.9), "119 s"},
        {formatAge(120), "2 min"},
        {formatAge(-3), "?"},
    };
    for (const auto& c : cases) EXPECT_EQ(c.got, QString::fromUtf8(c.text)) << c.text;
}

TEST(GridCoordinates, UtmInThePositionsZoneAndEpsgCodesAsCs2csGivesThem) {
    const struct {
        double lat, lon;
        const char* code; // empty: UTM
        double easting, northing;
        const char* crs;
    } cases[] = {
        {60.4183333333, 5.325, "", 297681.581, 6703647.076, "EPSG:32632"}, // zone 32V reaches west to 3° E
        {-33.9, 18.4, "", 259583.222, 6245888.045, "EPSG:32734"},
        {78.2, 8.0, "", 614010.379, 8685562.716, "EPSG:32631"},            // Svalbard's 31X
        {86.0, 10.0, "", 2077146.403, 1562481.006, "EPSG:32661"},          // UPS North
        {-85.0, -120.0, "", 1518959.788, 1722271.304, "EPSG:32761"},       // UPS South
        {60.4183333333, 5.325, "25832", 297681.581, 6703647.076, "EPSG:25832"},
        {60.4183333333, 5.325, "EPSG:3857", 592776.288, 8493469.968, "EPSG:3857"},
    };
    for (const auto& c : cases) {
        NavigationSample s;
        s.latBoat = c.lat * 60;
        s.lonBoat = c.lon * 60;
        s.positionTime = 0;
        FeedSettings settings;
        settings.format = *c.code ? PositionFormat::Epsg : PositionFormat::Utm;
        settings.epsg = c.code;
        const OverlayValues v = overlayValues(s, {0, {}}, settings);
        ASSERT_TRUE(v.easting && v.northing) << c.crs << " " << v.gridError.toStdString();
        EXPECT_NEAR(*v.easting, c.easting, 0.001) << c.crs;
        EXPECT_NEAR(*v.northing, c.northing, 0.001) << c.crs;
        EXPECT_EQ(v.crs, c.crs);
        EXPECT_FALSE(v.crsName.isEmpty());
        EXPECT_TRUE(v.latitude.startsWith("N ") && v.longitude.startsWith("E ")) << c.crs;
    }
}

TEST(GridCoordinates, AnUnknownCodeIsRefusedAndThePositionShownInDegrees) {
    NavigationSample s;
    s.latBoat = 3625;
    s.lonBoat = 319.5;
    s.positionTime = 0;
    for (const char* code : {"1234", "4326", "abc", ""}) {
        FeedSettings settings;
        settings.format = PositionFormat::Epsg;
        settings.epsg = code;
        const OverlayValues v = overlayValues(s, {0, {}}, settings);
        EXPECT_FALSE(v.gridError.isEmpty()) << code;
        EXPECT_EQ(v.latitude, QString::fromUtf8(" 60°25.0000 N")) << code;
        EXPECT_FALSE(v.easting) << code;
        // Told before any position too.
        EXPECT_EQ(overlayValues({}, {0, {}}, settings).gridError, v.gridError) << code;
    }
    EXPECT_EQ(gridOf(60, 5, "1234").has_value(), false);
}

} // namespace
