// The texts the overlay shows for positions, depths and ages. Numbers are
// written with a decimal point whatever the user's locale says: the overlay
// is a record, read the same everywhere.
#pragma once

#include <QString>

namespace tarnvik {

// "%3d°%2.4lf %c": whole degrees right-aligned in three places, minutes with
// four decimals, and N/S (or E/W) by the sign; zero and NaN count as south
// and west. Minutes that would print as 60.0000 carry into the degrees; an
// infinite or impossibly large value gives an empty text.
QString formatMinutes(double minutes, bool latitude);
// " 60°25'06.00\" N": degrees, minutes and seconds to a hundredth (0.3 m).
QString formatDms(double degrees, bool latitude);
// " 60.418333° N": decimal degrees to a millionth (0.1 m).
QString formatDecimal(double degrees, bool latitude);
// "N 6703647.08 m": a grid coordinate to the centimetre, after its axis letter.
QString formatGrid(char axis, double metres);
// "12 s", "5 min", "3 h": how old a value is, in whole units; "?" for an
// age below zero (the clock went back).
QString formatAge(double seconds);

} // namespace tarnvik
