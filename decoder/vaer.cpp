// Weather sensors: air temperature, pressure, wind and transducer readings.
#include "decoder/decoders.h"

#include "decoder/felter.h"
#include "decoder/runtime.h"
#include "decoder/skann.h"
#include "decoder/tekst.h"
#include "decoder/tolk.h"

#include <cfloat>
#include <cmath>
#include <cstdint>

namespace decoder {

namespace {

long tid(const Tolk& t) { return static_cast<long>(t.nasekund); }

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

void dekod_mta(Tolk& t, const char*) {
    if (skann::tom(t.felt[mta::Verdi])) return;
    skriv(t, "%ld AirTemperature %s\n", tid(t), t.felt[mta::Verdi]);
}

void dekod_mmb(Tolk& t, const char*) {
    if (skann::tom(t.felt[mta::Verdi])) return;
    skriv(t, "%ld Pressure %s\n", tid(t), t.felt[mta::Verdi]);
}

// Only true wind in knots is logged.
void dekod_mwv(Tolk& t, const char*) {
    using namespace mwv;
    char* const* f = t.felt;
    if (skann::tom(f[Retning]) || !strlik(f[Referanse], "T") || !strlik(f[Enhet], "N")) return;
    skriv(t, "%ld WindDirection %s Speed %s\n", tid(t), f[Retning], f[Fart]);
}

// Only the first quadruple (type, value, unit, name) is looked at.
void dekod_xdr(Tolk& t, const char*) {
    using namespace xdr;
    char* const* f = t.felt;
    const int n = t.antfelt;
    if (skann::tom(f[Type])) return;
    skriv(t, "felt[3]=%s\n", n > Navn ? f[Navn] : "");
    if (n <= Enhet) return;
    if (strlik(f[Type], "C") && strlik(f[Enhet], "C")) {
        skriv(t, "%ld AirTemperature %s\n", tid(t), f[Verdi]);
    } else if (strlik(f[Type], "P") && strlik(f[Enhet], "B")) {
        // "nan" or "1e999" is no pressure; only its name line is written.
        double bar = skann::tall(f[Verdi]);
        if (!std::isfinite(bar)) return;
        skriv(t, "%ld Pressure %d\n", tid(t), static_cast<int>(millibar(bar)));
    }
}

} // namespace decoder
