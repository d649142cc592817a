// Radar targets, target positions and waypoints, a video camera's time code,
// and AIS messages passed through as text.
#include "decoder/decoders.h"

#include "decoder/geodesi.h"
#include "decoder/runtime.h"
#include "decoder/skann.h"
#include "decoder/state.h"
#include "decoder/tekst.h"

#include <cmath>
#include <cstdint>
#include <cstdio>

namespace decoder {

namespace {

long tid() { return static_cast<long>(nasekund); }

// Room for the TTM target name: longer names are cut to kNavnLengde - 1
// characters.
constexpr int kNavnLengde = 110;

// Seconds after a TTM during which TLL lines are held back: a radar that
// sends both is logged through TTM alone.
constexpr int64_t kArpaHold = 59;

char forste(const char* f, char ellers) { return skann::tom(f) ? ellers : f[0]; }

// Packed position field with its hemisphere, in minutes of arc.
bool posisjon(const char* verdi, const char* halvkule, const char* negativ, double& minutt) {
    double v = skann::tall(verdi);
    if (!std::isfinite(v)) return false;
    minutt = kunminutt(v);
    if (strlik(halvkule, negativ)) minutt = -minutt;
    return true;
}

// The special-target line of TLL and WPL, built like the RMC one.
void spesialmaal(const char* setning, const char* navn, double bredde, double lengde) {
    // 0x8C is the Mac OS Roman "å"; the literal is split so the hex escape
    // ends there.
    skriv("%ld Spesialm\x8C"
          "l %s%s%s,%.5f,%.5f,0,0,%s\n",
          tid(), ttyetikett(), setning, navn, bredde, lengde, navn);
}

} // namespace

void dekod_ttm(const char* tekst) {
    if (splittfelt(tekst) < 12) return;
    // Distances and speeds to nautical miles and knots.
    double faktor;
    switch (felt[9][0]) {
    case 'K': faktor = 1.0 / 1.852; break;
    case 'N': faktor = 1.852 / 1.852; break;
    case 'S': faktor = 1.609 / 1.852; break;
    default: return;
    }
    int32_t nr = les_heltall(felt[0]);
    double avstand = skann::tall(felt[1]) * faktor;
    double peiling = skann::tall(felt[2]);
    char peileref = forste(felt[3], 'T');
    double fart = skann::tall(felt[4]) * faktor;
    double kurs = skann::tall(felt[5]);
    char kursref = forste(felt[6], 'T');
    double cpa = skann::tall(felt[7]) * faktor;
    double tcpa = skann::tall(felt[8]); // minutes
    char status = forste(felt[11], 'L');
    for (double v : {avstand, peiling, fart, kurs, cpa, tcpa})
        if (!std::isfinite(v)) return;

    char navn[kNavnLengde];
    if (skann::tom(felt[10]) || strlik(felt[10], "99"))
        std::snprintf(navn, sizeof navn, "%d", static_cast<int>(nr));
    else
        std::snprintf(navn, sizeof navn, "%s", felt[10]);

    skriv("%ld Arpa %d,%g,%g,%c,%g,%g,%c,%g,%g,%c,%s\n", tid(), static_cast<int>(nr), avstand,
          peiling, peileref, fart, kurs, kursref, cpa, tcpa, status, navn);
    arpatid = nasekund;
}

void dekod_tll(const char* tekst) {
    if (splittfelt(tekst) < 5 || !skann::siffer_forst(felt[1]) || !skann::siffer_forst(felt[3]))
        return;
    // 64-bit difference: a clock far from the last TTM must not overflow.
    if (int64_t{nasekund} - arpatid <= kArpaHold) return;
    double bredde, lengde;
    if (!posisjon(felt[1], felt[2], "S", bredde) || !posisjon(felt[3], felt[4], "W", lengde))
        return;
    spesialmaal("tll", skann::tom(felt[0]) ? "Target" : felt[0], bredde, lengde);
}

void dekod_wpl(const char* tekst) {
    if (splittfelt(tekst) < 5 || !skann::siffer_forst(felt[0]) || !skann::siffer_forst(felt[2]))
        return;
    double bredde, lengde;
    if (!posisjon(felt[0], felt[1], "S", bredde) || !posisjon(felt[2], felt[3], "W", lengde))
        return;
    spesialmaal("wpl", skann::tom(felt[4]) ? "Target" : felt[4], bredde, lengde);
}

void dekod_dvcam(const char* tekst) {
    if (splittfelt(tekst) < 2) return;
    skriv("%ld DVCAM %s,%s\n", tid(), felt[0], felt[1]);
}

void dekod_ais(const char* tekst) {
    // AIS is passed on as text; the checksum tail is already gone.
    skriv("%ld AIS %s\n", static_cast<long>(nasekund), tekst);
}

} // namespace decoder
