// Turns the decoder's navigation values into what the layers show: where
// the tracked vehicle is ("Position"), the vessel heading ("Compas"), the
// ROV's depth, altitude and heading, and the time ("DateTime"), each with
// how old it is and whether it is older than the layer allows.
//
// overlayValues is a pure function of the sample, the clocks and the
// settings, so that a renderer driven by a recorded log gets what the live
// overlay would have shown.
#pragma once

#include "render/CoordinateText.h"

#include <QDateTime>
#include <QString>

#include <limits>
#include <memory>
#include <optional>

namespace decoder {
class Tolk;
}

namespace tarnvik {

struct ShownValues;

inline constexpr double kNever = std::numeric_limits<double>::quiet_NaN();

struct NavigationSample {
    float headingBoat = 0;   // degrees
    double lat = 0;          // offset north, or forward when headUp (nautical miles)
    double lon = 0;          // offset east, or to starboard when headUp (nautical miles)
    double latBoat = 0;      // vessel latitude, minutes of arc
    double lonBoat = 0;      // vessel longitude, minutes of arc
    bool headUp = false;     // the offset is relative to the bow and must be turned
    double headingAtFix = 0; // the vessel heading a head-up offset was measured against
    double transponderDepth = 0; // metres, from the fix
    double rovDepth = 0;     // the ROV's own line: metres, metres above the seabed, degrees
    double rovAltitude = 0;
    double rovHeading = 0;
    // When each was last set, on the decoder clock (seconds); kNever before.
    double positionTime = kNever;
    double headingTime = kNever;
    double telemetryTime = kNever;
    // The stream's last UTC (seconds since 1970) minus the decoder-clock
    // time it came at, and that time; kNever before.
    double streamUtcOffset = kNever;
    double streamTime = kNever;
};

// The two clocks of one moment.
struct FeedClock {
    double decoder = kNever; // the decoder's now (seconds)
    QDateTime computerUtc;   // the computer's clock
};

enum class PositionFormat { DegreesMinutes, DegreesMinutesSeconds, DecimalDegrees, Utm, Epsg };
enum class DepthShown { None, Transponder, RovSensor };

// What the layers' inputs choose (LayerStack::feedSettings).
struct FeedSettings {
    PositionFormat format = PositionFormat::DegreesMinutes;
    QString epsg;          // with PositionFormat::Epsg
    bool swapXY = false;   // the positioning system's X and Y are the other way round
    DepthShown depth = DepthShown::None;
    double positionTimeout = 5; // seconds; also the depth's and the ROV line's
    double headingTimeout = 3;
    bool streamClock = true;    // "DateTime" shows the stream's UTC while it is fresh
    double clockTimeout = 5;
};

struct OverlayValues {
    // "Position": two lines, the northward one first; empty before a position.
    QString latitude;  // "HIDDEN_latitude"
    QString longitude; // "HIDDEN_longitude"
    double heading = 0; // "HIDDEN_heading": its sign kept, as the decoder gave it
    bool headingKnown = false;
    bool positionStale = false;
    bool headingStale = false;
    std::optional<double> positionAge; // seconds; none before the first value
    std::optional<double> headingAge;
    QString positionAgeText; // "12 s" while stale, else empty
    QString headingAgeText;
    std::optional<double> latDeg; // the vehicle, signed decimal degrees
    std::optional<double> lonDeg;
    std::optional<double> easting; // in a grid format
    std::optional<double> northing;
    QString crs;      // "EPSG:32632"
    QString crsName;  // as shown: "WGS 84 / UTM zone 32N"
    QString gridError; // why the grid chosen could not be used (then degrees and minutes)
    // The depth line of "Position", when it shows one.
    QString depthText;
    bool depthStale = false;
    QString depthAgeText;
    std::optional<double> depth; // the transponder's, or the sensor's when that is shown
    // The ROV's own line.
    std::optional<double> rovDepth;
    std::optional<double> rovAltitude;
    std::optional<double> rovHeading;
    std::optional<double> telemetryAge;
    bool telemetryStale = false;
    QString telemetryAgeText;
    // "DateTime": the time shown and where it comes from.
    QDateTime clockUtc;
    bool clockFromStream = false;
    qint64 clockOffsetMs = 0; // clockUtc minus the computer's clock
};

// The live decoder's values as they are now; nothing set while there is none.
NavigationSample readNavigation();
// The live decoder's clock now; kNever while there is none or it has read no line.
double navigationClock();
// The decoder readNavigation() reads from (null: none), set by whoever runs
// the live one. Safe from any thread; the values themselves are atomics,
// read without a lock.
void setNavigationSource(std::shared_ptr<const decoder::Tolk> source);

OverlayValues overlayValues(const NavigationSample& s, const FeedClock& now, const FeedSettings& settings);

// A fresh position and heading, for pictures made without a decoder (the
// stack tool, benchmarks, tests).
OverlayValues fixedOverlay(const QString& latitude, const QString& longitude, double heading);

// The record of what was shown at `moment`.
ShownValues shownValues(const OverlayValues& v, const QDateTime& moment);

} // namespace tarnvik
