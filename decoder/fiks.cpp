// GGA and PSIMGPS: the vessel's accepted position, the fix window and the
// course-and-speed estimate made from it.
#include "decoder/fiks.h"

#include "decoder/decoders.h"
#include "decoder/geodesi.h"
#include "decoder/runtime.h"
#include "decoder/skann.h"
#include "decoder/state.h"
#include "decoder/tekst.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace decoder {

namespace {

// The last fix that passed the repeat tests, in packed form, even when the
// jump test then refused it.
double forr_bredde = 0.0;
double forr_lengde = 0.0;
int32_t forr_tid = 0;

// Last course estimated from the window; kept while the vessel moves too
// slowly for the window to tell a direction.
double kurs = 0.0;

const bool registrert = registrer_nullstiller([] {
    forr_bredde = 0.0;
    forr_lengde = 0.0;
    forr_tid = 0;
    kurs = 0.0;
});

void daarlig_gps() { skriv("%ld D\x8C" "rlig GPS\n", static_cast<long>(nasekund)); }

bool nord_sor(const char* f) { return f[0] == 'N' || f[0] == 'S'; }
bool ost_vest(const char* f) { return f[0] == 'E' || f[0] == 'W'; }

// Leading zeros of the station id go while a digit follows them.
const char* uten_nuller(const char* s) {
    while (s[0] == '0' && s[1] >= '0' && s[1] <= '9') ++s;
    return s;
}

} // namespace

void dekod_gga(const char* tekst) {
    (void)registrert;
    using skann::tom;
    int n = splittfelt(tekst);
    if (n <= 7) return daarlig_gps();
    if (tom(felt[1]) || !nord_sor(felt[2]) || tom(felt[3]) || !ost_vest(felt[4]) || tom(felt[6]) ||
        tom(felt[7]))
        return daarlig_gps();
    double bredde = skann::tall(felt[1]);
    if (felt[2][0] == 'S') bredde = -bredde;
    double lengde = skann::tall(felt[3]);
    if (felt[4][0] == 'W') lengde = -lengde;
    // "nan" and "inf" parse as numbers; such a fix would slip through every
    // comparison of ggadata and end up as the vessel position.
    if (!std::isfinite(bredde) || !std::isfinite(lengde)) return daarlig_gps();
    const char* stasjon = n >= 14 ? uten_nuller(felt[13]) : "";
    int32_t kvalitet = til_int32(skann::tall(felt[5]));
    int32_t sat = les_heltall(felt[6]);
    double pdop = skann::tall(felt[7]);
    ggadata(nasekund, bredde, lengde, pdop, sat, kvalitet, stasjon);
}

void dekod_imgps(const char* tekst) {
    using skann::tom;
    int n = splittfelt(tekst);
    if (n <= 5 || tom(felt[2]) || tom(felt[3]) || tom(felt[4]) || tom(felt[5]))
        return daarlig_gps();
    double bredde = skann::tall(felt[2]);
    if (felt[3][0] == 'S') bredde = -bredde;
    double lengde = skann::tall(felt[4]);
    if (felt[5][0] == 'W') lengde = -lengde;
    if (!std::isfinite(bredde) || !std::isfinite(lengde)) return daarlig_gps();
    ggadata(nasekund, bredde, lengde, 1.0, 0, 2, "");
}

void ggadata(int32_t t, double bredde, double lengde, double pdop, int32_t sat, int32_t kvalitet,
             const char* stasjon) {
    (void)registrert;
    // At most one fix per second.
    if (t == forr_tid) return;
    if (bredde == 0.0 && lengde == 0.0) return;
    if (!std::isfinite(bredde) || !std::isfinite(lengde)) return;
    const int64_t tt = t;
    // A receiver that has lost its fix keeps sending the last position.
    if (forr_tid <= tt && tt < int64_t{forr_tid} + 10 && bredde == forr_bredde &&
        lengde == forr_lengde)
        return;
    forr_bredde = bredde;
    forr_lengde = lengde;
    forr_tid = t;

    const fiks ny{kunminutt(bredde), kunminutt(lengde), t};
    // A hopping GPS: a fix soon after the last one that would need a speed
    // the vessel does not have.
    if (int64_t{sistepos.tid} - 5 <= tt && tt < int64_t{sistepos.tid} + 30) {
        double v = hastighet(sistepos, ny);
        if (v > 5.0 && v > 3.0 * sistefart && !alltidgps) {
            skriv("%ld Hoppende GPS\n", static_cast<long>(t));
            return;
        }
    }

    skriv("%ld Posisjon %.5f %.5f, pdop %.1f, sat %d, diff %d, diffid %s\n", static_cast<long>(t),
          bredde, lengde, pdop, sat, kvalitet > 1 ? 1 : 0,
          (stasjon && *stasjon) ? stasjon : "ukjent");

    // beregnant is checked at start-up; the clamp keeps the window inside
    // posfiks whatever it holds.
    const int32_t vindu = std::clamp(beregnant, int32_t{1}, int32_t{kMaksFiks});
    ant = std::clamp(ant, int32_t{0}, vindu);
    if (ant == vindu)
        std::memmove(posfiks, posfiks + 1, sizeof(fiks) * static_cast<size_t>(ant - 1));
    else
        ++ant;
    sistepos = ny;
    posfiks[ant - 1] = ny;

    // An RMC or VTG of the last 8 seconds gives a better course and speed.
    if (tt < rmctid || tt - rmctid > 8) beregnkursfart();
}

void beregnkursfart() {
    if (ant < 1) return;
    const fiks& eldst = posfiks[0];
    const fiks& nyest = posfiks[std::min(ant, int32_t{kMaksFiks}) - 1];
    if (nyest.tid <= eldst.tid) return;
    double v = hastighet(eldst, nyest);
    // Below a knot, or over a short window, GPS noise decides the direction.
    if (v >= 1.0 && ant > 5) kurs = rettkurs(eldst.bredde, eldst.lengde, nyest.bredde, nyest.lengde);
    skriv("%ld Kurs %.1f, knop %.1f\n", static_cast<long>(nasekund), kurs, v);
    sistefart = v;
}

} // namespace decoder
