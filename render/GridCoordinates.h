// Easting and northing of a WGS84 position in a projected system, through
// PROJ: UTM in the position's own zone (UPS near the poles), or a system the
// user names by its EPSG code. Each thread that converts has its own PROJ
// context and keeps the systems it has set up.
#pragma once

#include <QString>

#include <optional>

namespace tarnvik {

struct GridPoint {
    double easting = 0;  // metres
    double northing = 0;
    QString crs;         // "EPSG:32632"
    QString name;        // "WGS 84 / UTM zone 32N", as PROJ names the system
};

// UTM in the zone the position lies in, with the zones of southern Norway
// and Svalbard; UPS beyond 84° N and 80° S. None for no place on earth.
std::optional<GridPoint> utmOf(double latDeg, double lonDeg);

// In the projected system with the EPSG code ("25832" or "EPSG:25832").
// None, with why in error, for a code PROJ does not know as a projected
// system, or a position it cannot convert.
std::optional<GridPoint> gridOf(double latDeg, double lonDeg, const QString& code, QString* error = nullptr);

} // namespace tarnvik
