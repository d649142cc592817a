// Position fixes and the course-and-speed estimate shared between the fix
// decoders (fiks.cpp) and the course decoders (kurs.cpp).
#pragma once

#include <cstdint>

namespace decoder {

class Tolk;

// Common fix handler of GGA and PSIMGPS. Latitude and longitude are in the
// packed NMEA form (ddmm.mmmm) with their sign; tid is the decoder time.
void ggadata(Tolk& t, int32_t tid, double bredde, double lengde, double pdop, int32_t sat,
             int32_t kvalitet, const char* stasjon);

// Course and speed from the oldest and newest fix of the window.
void beregnkursfart(Tolk& t);

// The course line "Kurs", written by every source of course and speed.
void kurslinje(Tolk& t, double kurs, double fart);

// The time of a GGA, hhmmss.ss, as the stream's UTC: on the date of the
// stream's last UTC, else of the decoder clock, whichever day puts it
// nearest (kurs.cpp).
void gga_tid(Tolk& t, double tid);

// Writes the course line (when speed and course are both 0 or more) and the
// clock difference of a GPS time hhmmss.ss and date ddmmyy (kurs.cpp).
void rmcdata(Tolk& t, double fart, double kurs, double tid, double dato);

} // namespace decoder
