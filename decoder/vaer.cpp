// Weather sensors: air temperature, pressure, wind and transducer readings.
#include "decoder/decoders.h"

#include "decoder/runtime.h"
#include "decoder/skann.h"
#include "decoder/state.h"
#include "decoder/tekst.h"

#include <cfloat>
#include <cmath>
#include <cstdint>

namespace decoder {

namespace {

long tid() { return static_cast<long>(nasekund); }

// Bar to whole millibar the way the barometer line has always been
// written: through single precision, then truncated. Finite values beyond
// the float or int range saturate instead of converting out of range.
int32_t millibar(double bar) {
    double mb = bar * 1000.0;
    if (mb > FLT_MAX) return INT32_MAX;
    if (mb < -FLT_MAX) return INT32_MIN;
    return til_int32(static_cast<float>(mb));
}

} // namespace

void dekod_mta(const char* tekst) {
    if (splittfelt(tekst) < 1 || skann::tom(felt[0])) return;
    skriv("%ld AirTemperature %s\n", tid(), felt[0]);
}

void dekod_mmb(const char* tekst) {
    if (splittfelt(tekst) < 1 || skann::tom(felt[0])) return;
    skriv("%ld Pressure %s\n", tid(), felt[0]);
}

// Only true wind in knots is logged.
void dekod_mwv(const char* tekst) {
    if (splittfelt(tekst) < 4 || skann::tom(felt[0]) || !strlik(felt[1], "T") ||
        !strlik(felt[3], "N"))
        return;
    skriv("%ld WindDirection %s Speed %s\n", tid(), felt[0], felt[2]);
}

// Only the first quadruple (type, value, unit, name) is looked at.
void dekod_xdr(const char* tekst) {
    int n = splittfelt(tekst);
    if (n < 1 || skann::tom(felt[0])) return;
    skriv("felt[3]=%s\n", n >= 4 ? felt[3] : "");
    if (n < 3) return;
    if (strlik(felt[0], "C") && strlik(felt[2], "C")) {
        skriv("%ld AirTemperature %s\n", tid(), felt[1]);
    } else if (strlik(felt[0], "P") && strlik(felt[2], "B")) {
        // "nan" or "1e999" is no pressure; only its name line is written.
        double bar = skann::tall(felt[1]);
        if (!std::isfinite(bar)) return;
        skriv("%ld Pressure %d\n", tid(), static_cast<int>(millibar(bar)));
    }
}

} // namespace decoder
