#include "render/NavigationFeed.h"

#include "decoder/overlegg.h"
#include "decoder/tolk.h"
#include "render/GridCoordinates.h"
#include "render/Placement.h"
#include "render/ShownValues.h"

#include <atomic>
#include <cmath>

namespace tarnvik {

namespace {

std::atomic<std::shared_ptr<const decoder::Tolk>> navigationSource;

// How old a value set at `time` is now, and whether it is older than the
// layer allows; a clock that went back more than a second makes it stale too.
struct Age {
    std::optional<double> seconds;
    bool stale = false;
    QString text; // while stale
};

Age ageOf(double time, double now, double timeout) {
    Age a;
    if (std::isnan(time)) return a;
    const double age = now - time;
    if (!std::isnan(age)) a.seconds = age;
    a.stale = !(age <= timeout) || age < -1.0;
    if (a.stale) a.text = formatAge(age);
    return a;
}

void place(OverlayValues& out, const NavigationSample& s, const FeedSettings& settings) {
    const std::optional<LatLon> p = placeVehicle(s, settings.swapXY);
    std::optional<GridPoint> grid;
    if (settings.format == PositionFormat::Utm && p) grid = utmOf(p->lat, p->lon);
    // The code is checked before any position, so that a wrong one is told at once.
    if (settings.format == PositionFormat::Epsg)
        grid = gridOf(p ? p->lat : kNever, p ? p->lon : kNever, settings.epsg, &out.gridError);
    if (!p) return;
    out.latDeg = p->lat;
    out.lonDeg = p->lon;
    if (grid) {
        out.easting = grid->easting;
        out.northing = grid->northing;
        out.crs = grid->crs;
        out.crsName = grid->name;
        out.latitude = formatGrid('N', grid->northing);
        out.longitude = formatGrid('E', grid->easting);
    } else if (settings.format == PositionFormat::DegreesMinutesSeconds) {
        out.latitude = formatDms(p->lat, true);
        out.longitude = formatDms(p->lon, false);
    } else if (settings.format == PositionFormat::DecimalDegrees) {
        out.latitude = formatDecimal(p->lat, true);
        out.longitude = formatDecimal(p->lon, false);
    } else {
        out.latitude = formatMinutes(p->lat * 60.0, true);
        out.longitude = formatMinutes(p->lon * 60.0, false);
    }
}

void showClock(OverlayValues& out, const NavigationSample& s, const FeedClock& now, const FeedSettings& settings) {
    out.clockUtc = now.computerUtc;
    if (!settings.streamClock) return;
    const Age age = ageOf(s.streamTime, now.decoder, settings.clockTimeout);
    if (!age.seconds || age.stale) return;
    // The stream's time, moved on by as long as it has been since it came.
    const double utc = now.decoder + s.streamUtcOffset;
    if (!std::isfinite(utc)) return;
    out.clockUtc = QDateTime::fromMSecsSinceEpoch(std::llround(utc * 1000.0), Qt::UTC);
    out.clockFromStream = true;
    if (now.computerUtc.isValid()) out.clockOffsetMs = now.computerUtc.msecsTo(out.clockUtc);
}

} // namespace

void setNavigationSource(std::shared_ptr<const decoder::Tolk> source) {
    navigationSource.store(std::move(source));
}

NavigationSample readNavigation() {
    NavigationSample s;
    const std::shared_ptr<const decoder::Tolk> t = navigationSource.load();
    if (!t) return s;
    constexpr auto r = std::memory_order_relaxed;
    const decoder::Overleggsfiks fix = decoder::les_fiks(*t);
    s.lat = fix.lat;
    s.lon = fix.lon;
    s.latBoat = fix.latBoat;
    s.lonBoat = fix.lonBoat;
    s.headUp = fix.headUp;
    s.headingAtFix = fix.heading;
    s.transponderDepth = fix.dybde;
    s.positionTime = fix.tid;
    s.headingBoat = t->gHeadingBoat.load(r);
    s.headingTime = t->tidHeading.load(r);
    s.rovDepth = t->gDepth.load(r);
    s.rovAltitude = t->gAlti.load(r);
    s.rovHeading = t->gHeadingROV.load(r);
    s.telemetryTime = t->tidDybde.load(r);
    s.streamUtcOffset = t->stromavvik.load(r);
    s.streamTime = t->tidStromUtc.load(r);
    return s;
}

double navigationClock() {
    const std::shared_ptr<const decoder::Tolk> t = navigationSource.load();
    return t ? decoder::naatid(*t) : kNever;
}

OverlayValues overlayValues(const NavigationSample& s, const FeedClock& now, const FeedSettings& settings) {
    OverlayValues out;
    out.heading = static_cast<float>(std::fmod(static_cast<double>(s.headingBoat), 360.0));
    const Age heading = ageOf(s.headingTime, now.decoder, settings.headingTimeout);
    out.headingKnown = !std::isnan(s.headingTime);
    out.headingAge = heading.seconds;
    out.headingStale = heading.stale;
    out.headingAgeText = heading.text;

    const Age position = ageOf(s.positionTime, now.decoder, settings.positionTimeout);
    if (!std::isnan(s.positionTime)) place(out, s, settings);
    else if (settings.format == PositionFormat::Epsg) gridOf(kNever, kNever, settings.epsg, &out.gridError);
    if (!out.latitude.isEmpty()) {
        out.positionAge = position.seconds;
        out.positionStale = position.stale;
        out.positionAgeText = position.text;
    }

    const Age telemetry = ageOf(s.telemetryTime, now.decoder, settings.positionTimeout);
    if (!std::isnan(s.telemetryTime)) {
        out.rovDepth = s.rovDepth;
        out.rovAltitude = s.rovAltitude;
        out.rovHeading = s.rovHeading;
        out.telemetryAge = telemetry.seconds;
        out.telemetryStale = telemetry.stale;
        out.telemetryAgeText = telemetry.text;
    }

    if (settings.depth == DepthShown::RovSensor) {
        out.depth = out.rovDepth;
        out.depthStale = telemetry.stale;
        out.depthAgeText = telemetry.text;
    } else if (!out.latitude.isEmpty()) {
        out.depth = s.transponderDepth;
        out.depthStale = position.stale;
        out.depthAgeText = position.text;
    }
    if (settings.depth != DepthShown::None && out.depth && std::isfinite(*out.depth))
        out.depthText = QStringLiteral("Depth %1 m").arg(QString::number(*out.depth, 'f', 1));

    showClock(out, s, now, settings);
    return out;
}

OverlayValues fixedOverlay(const QString& latitude, const QString& longitude, double heading) {
    OverlayValues v;
    v.latitude = latitude;
    v.longitude = longitude;
    v.heading = heading;
    v.headingKnown = true;
    return v;
}

ShownValues shownValues(const OverlayValues& v, const QDateTime& moment) {
    ShownValues r;
    r.timeUtc = moment;
    r.latitude = v.latitude;
    r.longitude = v.longitude;
    r.latDeg = v.latDeg;
    r.lonDeg = v.lonDeg;
    if (v.headingKnown) r.headingDeg = std::fmod(std::fmod(v.heading, 360.0) + 360.0, 360.0);
    r.positionAge = v.positionAge;
    r.headingAge = v.headingAge;
    r.positionStale = v.positionStale;
    r.headingStale = v.headingStale;
    r.depth = v.depth;
    r.easting = v.easting;
    r.northing = v.northing;
    r.crs = v.crs;
    r.shownTimeUtc = v.clockUtc;
    r.timeFromStream = v.clockFromStream;
    r.rovDepth = v.rovDepth;
    r.rovAltitude = v.rovAltitude;
    r.rovHeading = v.rovHeading;
    r.telemetryAge = v.telemetryAge;
    return r;
}

} // namespace tarnvik
