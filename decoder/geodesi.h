// Flat-earth geodesy and angle helpers: positions in minutes of arc,
// distances in nautical miles, bearings in degrees clockwise from north.
#pragma once

#include "decoder/state.h"

namespace decoder {

double kunminutt(double pakket);
double lengdeforhold(double bredde);
double dist(double lat1, double lon1, double lat2, double lon2);
double givinkel(double ost, double nord);
double rettkurs(double lat1, double lon1, double lat2, double lon2);
double normalvinkel(double a);
double hastighet(fiks p, fiks q);

} // namespace decoder
