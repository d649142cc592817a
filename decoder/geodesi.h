// Flat-earth geodesy and angle helpers: positions in minutes of arc,
// distances in nautical miles, bearings in degrees clockwise from north.
#pragma once

#include <cstdint>

namespace decoder {

// A timed position fix: minutes of arc (north and east positive), decoder clock seconds.
struct fiks {
    double bredde = 0.0;
    double lengde = 0.0;
    int32_t tid = 0;
};

double kunminutt(double pakket);
double lengdeforhold(double bredde);
double dist(double lat1, double lon1, double lat2, double lon2);
double givinkel(double ost, double nord);
double rettkurs(double lat1, double lon1, double lat2, double lon2);
double normalvinkel(double a);
double hastighet(fiks p, fiks q);

} // namespace decoder
