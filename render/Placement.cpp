#include "render/Placement.h"

#include "render/NavigationFeed.h"

#include <GeographicLib/Geodesic.hpp>
#include <GeographicLib/Math.hpp>

#include <cmath>

namespace tarnvik {

namespace {
constexpr double kMetresPerNm = 1852.0; // how the decoder turned the metres it was given into miles
} // namespace

RangeBearing offsetOf(const NavigationSample& s, bool swapXY) {
    // The decoder's north (or forward) and east (or starboard) offset; a
    // system with X and Y the other way has them exchanged.
    const double ahead = (swapXY ? s.lon : s.lat) * kMetresPerNm;
    const double right = (swapXY ? s.lat : s.lon) * kMetresPerNm;
    RangeBearing rb;
    rb.metres = std::hypot(ahead, right);
    rb.azimuth = std::atan2(right, ahead) * 180.0 / GeographicLib::Math::pi();
    // A head-up offset is along the bow the vessel had when it was measured.
    if (s.headUp) rb.azimuth += s.headingAtFix;
    rb.azimuth = GeographicLib::Math::AngNormalize(rb.azimuth);
    return rb;
}

std::optional<LatLon> placeVehicle(const NavigationSample& s, bool swapXY) {
    const double lat = s.latBoat / 60.0, lon = s.lonBoat / 60.0;
    if (!(std::fabs(lat) <= 90) || !std::isfinite(lon)) return std::nullopt;
    const RangeBearing rb = offsetOf(s, swapXY);
    if (!std::isfinite(rb.metres) || !std::isfinite(rb.azimuth)) return std::nullopt;
    LatLon p;
    GeographicLib::Geodesic::WGS84().Direct(lat, lon, rb.azimuth, rb.metres, p.lat, p.lon);
    if (!std::isfinite(p.lat) || !std::isfinite(p.lon)) return std::nullopt;
    // Across the 180° meridian the longitude comes back into −180…180.
    p.lon = GeographicLib::Math::AngNormalize(p.lon);
    return p;
}

} // namespace tarnvik
