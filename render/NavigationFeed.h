// Turns the decoder's navigation values into what the "Position" and
// "Compas" layers show: the tracked vehicle's latitude and longitude as
// degrees and minutes, and the vessel heading.
#pragma once

#include <QString>

#include <memory>

namespace decoder {
class Tolk;
}

namespace tarnvik {

struct NavigationSample {
    float headingBoat = 0;  // degrees
    double lat = 0;         // offset north, or forward when headUp (nautical miles)
    double lon = 0;         // offset east, or to starboard when headUp (nautical miles)
    double latBoat = 0;     // vessel latitude, minutes of arc
    double lonBoat = 0;     // vessel longitude, minutes of arc
    bool headUp = false;    // the offset is relative to the bow and must be turned
};

struct OverlayValues {
    QString latitude;  // "HIDDEN_latitude"; empty before any position is known
    QString longitude; // "HIDDEN_longitude"
    double heading = 0; // "HIDDEN_heading"
};

// The live decoder's values as they are now; all zero while there is none.
NavigationSample readNavigation();
// The decoder readNavigation() reads from (null: none), set by whoever runs
// the live one. Safe from any thread; the values themselves are atomics,
// read without a lock.
void setNavigationSource(std::shared_ptr<const decoder::Tolk> source);

// "%3d°%2.4lf %c": whole degrees right-aligned in three places, minutes with
// four decimals, and N/S (or E/W) by the sign; zero and NaN count as south
// and west. Minutes that would print as 60.0000 carry into the degrees; an
// infinite or impossibly large value gives an empty text.
QString formatMinutes(double minutes, bool latitude);

OverlayValues overlayValues(const NavigationSample& s);

} // namespace tarnvik
