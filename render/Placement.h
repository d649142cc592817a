// Where the tracked vehicle is: the vessel's position with the offset the
// positioning system reported, laid out on the WGS84 ellipsoid.
#pragma once

#include <optional>

namespace tarnvik {

struct NavigationSample;

struct LatLon {
    double lat = 0; // degrees, −90 to 90
    double lon = 0; // degrees, −180 to 180
};

// The offset as a range and a bearing: the decoder's offset (north and east,
// or forward and starboard turned by the heading of the fix), with X and Y
// exchanged first when the positioning system has them the other way round.
struct RangeBearing {
    double metres = 0;
    double azimuth = 0; // degrees clockwise from north
};
RangeBearing offsetOf(const NavigationSample& s, bool swapXY);

// The vehicle's position; none when the vessel's is no place on earth (a
// latitude beyond the poles, a value that is not finite).
std::optional<LatLon> placeVehicle(const NavigationSample& s, bool swapXY);

} // namespace tarnvik
