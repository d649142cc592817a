#include "decoder/geodesi.h"

#include <cmath>

namespace decoder {

namespace {
// The decoder has always used this value of pi; bearings depend on it.
constexpr double kPi = 3.14159265;
} // namespace

double kunminutt(double x) {
    double s = x < 0 ? -1.0 : 1.0;
    double a = std::fabs(x);
    double d = std::floor(a / 100.0);
    return s * (d * 60.0 + (a - d * 100.0));
}

double lengdeforhold(double bredde) {
    double b = bredde;
    if (b > 5100.0) b = 5100.0;
    if (b < -5100.0) b = -5100.0;
    b = std::floor(b);
    return std::cos(std::fabs(b / 5400.0) * 1.5707963);
}

double dist(double lat1, double lon1, double lat2, double lon2) {
    double dlon = lon1 - lon2;
    if (dlon > 21000.0)
        dlon -= 21600.0;
    else if (dlon < -21000.0)
        dlon += 21600.0;
    double f = lengdeforhold((lat1 + lat2) / 2.0);
    double dx = dlon * f;
    double dy = lat1 - lat2;
    return std::sqrt(dx * dx + dy * dy);
}

double givinkel(double ost, double nord) {
    return std::fmod(std::atan2(nord, ost) / kPi * (-180.0) + 90.0 + 360.0, 360.0);
}

double rettkurs(double lat1, double lon1, double lat2, double lon2) {
    return givinkel((lon2 - lon1) * lengdeforhold((lat1 + lat2) / 2.0), lat2 - lat1);
}

double normalvinkel(double a) {
    if (a < 0) a += 360.0;
    if (a > 360.0) a -= 360.0;
    return a;
}

double hastighet(fiks p, fiks q) {
    double dt = static_cast<double>(q.tid) - static_cast<double>(p.tid);
    if (dt <= 0) dt = 1;
    return dist(p.bredde, p.lengde, q.bredde, q.lengde) / (dt / 3600.0);
}

} // namespace decoder
