// Radar targets, target positions and waypoints, a video camera's time code,
// and AIS messages passed through as text.
#include "decoder/decoders.h"

#include "decoder/felter.h"
#include "decoder/geodesi.h"
#include "decoder/halvkule.h"
#include "decoder/runtime.h"
#include "decoder/skann.h"
#include "decoder/tekst.h"
#include "decoder/tolk.h"
#include "decoder/utskrift.h"

#include <cmath>
#include <cstdint>
#include <cstdio>

namespace decoder {

namespace {

long tid(const Tolk& t) { return static_cast<long>(t.nasekund); }

// Room for the TTM target name: longer names are cut to kNavnLengde - 1
// characters.
constexpr int kNavnLengde = 110;

// Seconds after a TTM during which TLL lines are held back: a radar that
// sends both is logged through TTM alone.
constexpr int64_t kArpaHold = 59;

char forste(const char* f, char ellers) { return skann::tom(f) ? ellers : f[0]; }

// Packed position field with its hemisphere, in minutes of arc.
bool posisjon(const char* verdi, const char* halvkule, Akse akse, double& minutt) {
    double v = skann::tall(verdi);
    if (!std::isfinite(v)) return false;
    minutt = med_halvkule(kunminutt(v), halvkule, akse, Lesning::HeleFeltet);
    return true;
}

// The special-target line of TLL and WPL, built like the RMC one.
void spesialmaal(Tolk& t, const char* setning, const char* navn, double bredde, double lengde) {
    // 0x8C is the Mac OS Roman "å"; the literal is split so the hex escape
    // ends there.
    skriv(t,
          "%ld Spesialm\x8C"
          "l %s%s%s,%.5f,%.5f,0,0,%s\n",
          tid(t), t.ttynavn ? t.ttynavn : "", setning, navn, bredde, lengde, navn);
}

} // namespace

void dekod_ttm(Tolk& t, const char*) {
    using namespace ttm;
    char* const* f = t.felt;
    // Distances and speeds to nautical miles and knots.
    double faktor;
    switch (f[Enhet][0]) {
    case 'K': faktor = 1.0 / 1.852; break;
    case 'N': faktor = 1.852 / 1.852; break;
    case 'S': faktor = 1.609 / 1.852; break;
    default: return;
    }
    int32_t nr = les_heltall(f[Nr]);
    double avstand = skann::tall(f[Avstand]) * faktor;
    double peiling = skann::tall(f[Peiling]);
    char peileref = forste(f[Peileref], 'T');
    double fart = skann::tall(f[Fart]) * faktor;
    double kurs = skann::tall(f[Kurs]);
    char kursref = forste(f[Kursref], 'T');
    double cpa = skann::tall(f[Cpa]) * faktor;
    double tcpa = skann::tall(f[Tcpa]); // minutes
    char status = forste(f[Status], 'L');
    for (double v : {avstand, peiling, fart, kurs, cpa, tcpa})
        if (!std::isfinite(v)) return;

    char navn[kNavnLengde];
    if (skann::tom(f[Navn]) || strlik(f[Navn], "99"))
        std::snprintf(navn, sizeof navn, "%d", static_cast<int>(nr));
    else
        std::snprintf(navn, sizeof navn, "%s", f[Navn]);

    skriv(t, "%ld Arpa %d,%g,%g,%c,%g,%g,%c,%g,%g,%c,%s\n", tid(t), static_cast<int>(nr), avstand,
          peiling, peileref, fart, kurs, kursref, cpa, tcpa, status, navn);
    t.arpatid = t.nasekund;
}

void dekod_tll(Tolk& t, const char*) {
    using namespace tll;
    char* const* f = t.felt;
    if (!skann::siffer_forst(f[Bredde]) || !skann::siffer_forst(f[Lengde])) return;
    // 64-bit difference: a clock far from the last TTM must not overflow.
    if (int64_t{t.nasekund} - t.arpatid <= kArpaHold) return;
    double bredde, lengde;
    if (!posisjon(f[Bredde], f[NordSor], Akse::Bredde, bredde) ||
        !posisjon(f[Lengde], f[OstVest], Akse::Lengde, lengde))
        return;
    spesialmaal(t, "tll", skann::tom(f[Navn]) ? "Target" : f[Navn], bredde, lengde);
}

void dekod_wpl(Tolk& t, const char*) {
    using namespace wpl;
    char* const* f = t.felt;
    if (!skann::siffer_forst(f[Bredde]) || !skann::siffer_forst(f[Lengde])) return;
    double bredde, lengde;
    if (!posisjon(f[Bredde], f[NordSor], Akse::Bredde, bredde) ||
        !posisjon(f[Lengde], f[OstVest], Akse::Lengde, lengde))
        return;
    spesialmaal(t, "wpl", skann::tom(f[Navn]) ? "Target" : f[Navn], bredde, lengde);
}

void dekod_dvcam(Tolk& t, const char*) {
    skriv(t, "%ld DVCAM %s,%s\n", tid(t), t.felt[vtc::Tidskode], t.felt[vtc::Status]);
}

void dekod_ais(Tolk& t, const char* tekst) {
    // AIS is passed on as text; the checksum tail is already gone.
    logg(t, t.nasekund, " AIS ", tekst, '\n');
}

} // namespace decoder
