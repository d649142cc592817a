// GGA and PSIMGPS: the vessel's accepted position, the fix window and the
// course-and-speed estimate made from it.
#include "decoder/fiks.h"

#include "decoder/decoders.h"
#include "decoder/felter.h"
#include "decoder/geodesi.h"
#include "decoder/halvkule.h"
#include "decoder/runtime.h"
#include "decoder/skann.h"
#include "decoder/tolk.h"
#include "decoder/utskrift.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace decoder {

namespace {

// Leading zeros of the station id go while a digit follows them.
const char* uten_nuller(const char* s) {
    while (s[0] == '0' && s[1] >= '0' && s[1] <= '9') ++s;
    return s;
}

} // namespace

void daarlig_gps(Tolk& t, const char*) { logg(t, t.nasekund, " D\x8C" "rlig GPS\n"); }

void dekod_gga(Tolk& t, const char* tekst) {
    using namespace gga;
    using skann::tom;
    char* const* f = t.felt;
    if (tom(f[Bredde]) || !er_halvkule(f[NordSor], Akse::Bredde) || tom(f[Lengde]) ||
        !er_halvkule(f[OstVest], Akse::Lengde) || tom(f[Satellitter]) || tom(f[Pdop]))
        return daarlig_gps(t, tekst);
    const auto forste = Lesning::ForsteBokstav;
    double bredde = med_halvkule(skann::tall(f[Bredde]), f[NordSor], Akse::Bredde, forste);
    double lengde = med_halvkule(skann::tall(f[Lengde]), f[OstVest], Akse::Lengde, forste);
    // "nan" and "inf" parse as numbers; such a fix would slip through every
    // comparison of ggadata and end up as the vessel position.
    if (!std::isfinite(bredde) || !std::isfinite(lengde)) return daarlig_gps(t, tekst);
    const char* stasjon = t.antfelt > Stasjon ? uten_nuller(f[Stasjon]) : "";
    int32_t kvalitet = til_int32(skann::tall(f[Kvalitet]));
    int32_t sat = les_heltall(f[Satellitter]);
    double pdop = skann::tall(f[Pdop]);
    if (skann::siffer_forst(f[Tid])) gga_tid(t, skann::tall(f[Tid]));
    ggadata(t, t.nasekund, bredde, lengde, pdop, sat, kvalitet, stasjon);
}

void dekod_imgps(Tolk& t, const char* tekst) {
    using namespace psimgps;
    using skann::tom;
    char* const* f = t.felt;
    if (tom(f[Bredde]) || tom(f[NordSor]) || tom(f[Lengde]) || tom(f[OstVest]))
        return daarlig_gps(t, tekst);
    // No letter is tested: anything but S and W is north and east.
    const auto forste = Lesning::ForsteBokstav;
    double bredde = med_halvkule(skann::tall(f[Bredde]), f[NordSor], Akse::Bredde, forste);
    double lengde = med_halvkule(skann::tall(f[Lengde]), f[OstVest], Akse::Lengde, forste);
    if (!std::isfinite(bredde) || !std::isfinite(lengde)) return daarlig_gps(t, tekst);
    ggadata(t, t.nasekund, bredde, lengde, 1.0, 0, 2, "");
}

void ggadata(Tolk& t, int32_t tid, double bredde, double lengde, double pdop, int32_t sat,
             int32_t kvalitet, const char* stasjon) {
    // At most one fix per second.
    if (tid == t.forr_tid) return;
    if (bredde == 0.0 && lengde == 0.0) return;
    if (!std::isfinite(bredde) || !std::isfinite(lengde)) return;
    const int64_t tt = tid;
    // A receiver that has lost its fix keeps sending the last position.
    if (t.forr_tid <= tt && tt < int64_t{t.forr_tid} + 10 && bredde == t.forr_bredde &&
        lengde == t.forr_lengde)
        return;
    t.forr_bredde = bredde;
    t.forr_lengde = lengde;
    t.forr_tid = tid;

    const fiks ny{kunminutt(bredde), kunminutt(lengde), tid};
    // A hopping GPS: a fix soon after the last one that would need a speed
    // the vessel does not have.
    if (int64_t{t.sistepos.tid} - 5 <= tt && tt < int64_t{t.sistepos.tid} + 30) {
        double v = hastighet(t.sistepos, ny);
        if (v > 5.0 && v > 3.0 * t.sistefart && !t.alltidgps) {
            logg(t, tid, " Hoppende GPS\n");
            return;
        }
    }

    logg(t, tid, " Posisjon ", fast(bredde, 5), ' ', fast(lengde, 5), ", pdop ", fast(pdop, 1),
         ", sat ", sat, ", diff ", kvalitet > 1 ? 1 : 0, ", diffid ",
         (stasjon && *stasjon) ? stasjon : "ukjent", '\n');

    // beregnant is checked at start-up; the clamp keeps the window inside
    // posfiks whatever it holds.
    const int32_t vindu = std::clamp(t.beregnant, int32_t{1}, int32_t{kMaksFiks});
    t.ant = std::clamp(t.ant, int32_t{0}, vindu);
    if (t.ant == vindu)
        std::memmove(t.posfiks, t.posfiks + 1, sizeof(fiks) * static_cast<size_t>(t.ant - 1));
    else
        ++t.ant;
    t.sistepos = ny;
    t.posfiks[t.ant - 1] = ny;

    // An RMC or VTG of the last 8 seconds gives a better course and speed.
    if (tt < t.rmctid || tt - t.rmctid > 8) beregnkursfart(t);
}

void kurslinje(Tolk& t, double kurs, double fart) {
    logg(t, t.nasekund, " Kurs ", fast(kurs, 1), ", knop ", fast(fart, 1), '\n');
}

void beregnkursfart(Tolk& t) {
    if (t.ant < 1) return;
    const fiks& eldst = t.posfiks[0];
    const fiks& nyest = t.posfiks[std::min(t.ant, int32_t{kMaksFiks}) - 1];
    if (nyest.tid <= eldst.tid) return;
    double v = hastighet(eldst, nyest);
    // Below a knot, or over a short window, GPS noise decides the direction.
    if (v >= 1.0 && t.ant > 5)
        t.kurs = rettkurs(eldst.bredde, eldst.lengde, nyest.bredde, nyest.lengde);
    kurslinje(t, t.kurs, v);
    t.sistefart = v;
}

} // namespace decoder
