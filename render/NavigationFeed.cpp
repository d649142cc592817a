#include "render/NavigationFeed.h"

#include "decoder/geodesi.h"
#include "decoder/runtime.h"
#include "decoder/tolk.h"

#include <atomic>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <algorithm>

namespace tarnvik {

namespace {
std::atomic<std::shared_ptr<const decoder::Tolk>> navigationSource;
}

void setNavigationSource(std::shared_ptr<const decoder::Tolk> source) {
    navigationSource.store(std::move(source));
}

NavigationSample readNavigation() {
    NavigationSample s;
    const std::shared_ptr<const decoder::Tolk> t = navigationSource.load();
    if (!t) return s;
    constexpr auto r = std::memory_order_relaxed;
    s.headingBoat = t->gHeadingBoat.load(r);
    s.headUp = t->gHeadUp.load(r);
    s.lat = t->gLat.load(r);
    s.lon = t->gLon.load(r);
    s.latBoat = t->gLatBoat.load(r);
    s.lonBoat = t->gLonBoat.load(r);
    return s;
}

QString formatMinutes(double v, bool latitude) {
    // No place on earth: nothing rather than a made-up position.
    if (std::isinf(v) || std::fabs(v) > 1e6) return {};
    const int32_t d = decoder::til_int32(v / 60.0);
    int64_t degrees = std::llabs(int64_t{d});
    double m = std::fabs(v - 60.0 * d);
    // Minutes that print as 60.0000 belong to the next degree.
    if (std::round(m * 1e4) >= 60 * 1e4) {
        m = std::max(0.0, m - 60.0);
        ++degrees;
    }
    const char letter = latitude ? (v > 0 ? 'N' : 'S') : (v > 0 ? 'E' : 'W');
    char buf[96];
    std::snprintf(buf, sizeof buf, "%3lld\xC2\xB0%2.4lf %c", static_cast<long long>(degrees), m, letter);
    return QString::fromUtf8(buf);
}

OverlayValues overlayValues(const NavigationSample& s) {
    OverlayValues out;
    const double h = static_cast<float>(std::fmod(static_cast<double>(s.headingBoat), 360.0));
    out.heading = h;
    // Nothing accepted yet: all four still hold their start values.
    if (s.lat == 0 && s.lon == 0 && s.latBoat == 0 && s.lonBoat == 0) return out;

    // East (or starboard) is x, north (or forward) is y.
    float x = static_cast<float>(s.lon), y = static_cast<float>(s.lat);
    if (s.headUp) {
        // Turned by -h: positive angles turn counter-clockwise.
        const float a = static_cast<float>(-h * 3.14159265358979323846 / 180.0);
        const float xr = x * std::cos(a) - y * std::sin(a);
        const float yr = x * std::sin(a) + y * std::cos(a);
        x = xr;
        y = yr;
    }
    const double lat = y + s.latBoat;
    // Nautical miles east are more minutes of longitude away from the equator.
    const double lon = x / decoder::lengdeforhold(s.latBoat) + s.lonBoat;
    out.latitude = formatMinutes(lat, true);
    out.longitude = formatMinutes(lon, false);
    return out;
}

} // namespace tarnvik
