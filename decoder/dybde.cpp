// Depth and seabed: echo sounder depths merged into one depth line, seabed
// classifiers (RoxAnn, Seascan, ES60) and water temperature.
#include "decoder/decoders.h"

#include "decoder/felter.h"
#include "decoder/runtime.h"
#include "decoder/skann.h"
#include "decoder/tekst.h"
#include "decoder/tolk.h"
#include "decoder/utskrift.h"

#include <cmath>
#include <cstdint>
#include <cstring>

namespace decoder {

namespace {

// Depth sources in falling order of preference.
enum Kilde { kDbt = 0, kDpt = 1, kPsap = 2, kDbs = 3, kAntallKilder = 4 };
static_assert(kAntallKilder == Tolk::kDybdekilder);

// A depth of "nan" or one beyond the double range is no measurement.
bool brukbar(double v) { return std::isfinite(v); }

// One number of a seabed classifier scan: blanks, an optional sign and octal
// digits, as "%o" reads them, taken from the characters [fra, til). When
// `helt` is set the number must fill the run (a literal follows it in the
// layout); otherwise what follows the digits is not looked at. A minus sign
// makes any non-zero value wrap like an unsigned conversion, so it can never
// pass the range test that follows.
bool oktal(const char* fra, const char* til, bool helt, uint32_t& v) {
    const char* p = fra;
    while (p < til && (*p == ' ' || (*p >= '\t' && *p <= '\r'))) ++p;
    bool neg = false;
    if (p < til && (*p == '+' || *p == '-')) neg = *p++ == '-';
    const char* siffer = p;
    uint32_t x = 0;
    for (; p < til && *p >= '0' && *p <= '7'; ++p) x = x * 8 + static_cast<uint32_t>(*p - '0');
    if (p == siffer || (helt && p != til)) return false;
    v = neg ? 0u - x : x;
    return true;
}

// Writes the depth line unless the same source reported this second, an
// unchanged depth is repeated within 2 seconds, or a more preferred source
// has reported within 19 seconds.
void send_dybde(Tolk& t, double dybde, int kilde) {
    if (kilde < 0 || kilde >= kAntallKilder) return;
    const int32_t naa = t.nasekund;
    // 64-bit differences: two 32-bit times far apart must not overflow.
    int64_t siden = int64_t{naa} - t.sistetid[kilde];
    if (siden == 0) return;
    if (siden >= -2 && siden <= 2 && dybde == t.sistedybde[kilde]) return;
    // Kept before the preference test, so a depth held back still counts as
    // recent for the next repeat test.
    t.sistetid[kilde] = naa;
    t.sistedybde[kilde] = dybde;
    for (int j = kilde - 1; j >= 0; --j) {
        int64_t d = int64_t{naa} - t.sistetid[j];
        if (d >= -19 && d <= 19) return;
    }
    logg(t, naa, " Dybde ", fast(dybde, 2), '\n');
}

} // namespace

// DBT and DBS: depth in feet, metres and fathoms; the metres win.
void dekod_fotmeterfavn(Tolk& t, int korriger, int kilde) {
    using namespace dbt;
    char* const* f = t.felt;
    double dybde;
    if (!skann::tom(f[Meter]))
        dybde = skann::tall(f[Meter]);
    else if (!skann::tom(f[Fot]))
        dybde = skann::tall(f[Fot]) * 0.3048;
    else if (!skann::tom(f[Favn]))
        dybde = skann::tall(f[Favn]) * 1.825; // the sounders' fathom, not 1.8288 m
    else
        return;
    if (dybde == 0.0) return;
    if (korriger) dybde += t.dybdekorr;
    if (!brukbar(dybde)) return;
    send_dybde(t, dybde, kilde);
}

void dekod_dbs(Tolk& t, const char*) { dekod_fotmeterfavn(t, 0, kDbs); }
void dekod_dbt(Tolk& t, const char*) { dekod_fotmeterfavn(t, 1, kDbt); }

// DPT: depth below the transducer; the offset field is not used.
void dekod_dpt(Tolk& t, const char* tekst) {
    double dybde;
    if (!skann::tall_forst(tekst, dybde) || dybde == 0.0) return;
    dybde += t.dybdekorr;
    if (!brukbar(dybde)) return;
    send_dybde(t, dybde, kDpt);
}

void dekod_mtw(Tolk& t, const char*) {
    using namespace mtw;
    if (skann::tom(t.felt[Temperatur]) || t.felt[Enhet][0] != 'C') return;
    double c = skann::tall(t.felt[Temperatur]);
    if (!brukbar(c)) return;
    logg(t, t.nasekund, " Vanntemperatur ", fast(c, 1), '\n');
}

// Seascan classifier: depth and the two echo values, 0 to 10, scaled to the
// RoxAnn range 0 to 4.095.
void dekod_seascan(Tolk& t, const char*) {
    using namespace psap;
    char* const* f = t.felt;
    if (!strlik(f[DybdeMerke], "D") || !strlik(f[DybdeEnhet], "M")) return;
    double dybde = skann::tall(f[Dybde]);
    double e1 = skann::tall(f[E1]);
    double e2 = skann::tall(f[E2]);
    if (!(dybde > 0.0) || !(e1 > 0.0) || !(e2 > 0.0)) return;
    if (!brukbar(dybde + t.dybdekorr) || !brukbar(e1) || !brukbar(e2)) return;
    skriv(t, "%ld RoxAnn E1 %.3f, E2 %.3f\n", static_cast<long>(t.nasekund), e1 / 10.0 * 4.095,
          e2 / 10.0 * 4.095);
    send_dybde(t, dybde + t.dybdekorr, kPsap);
}

// RoxAnn line DooooFooooSoooo: three octal values of four digits; E1 and E2
// are the 'F' and 'S' values in thousandths.
void dekod_roxann(Tolk& t, const char* linje) {
    if (std::strlen(linje) != 15 || linje[0] != 'D' || linje[5] != 'F' || linje[10] != 'S')
        return;
    uint32_t d, e1, e2;
    if (!oktal(linje + 1, linje + 5, true, d) || !oktal(linje + 6, linje + 10, true, e1) ||
        !oktal(linje + 11, linje + 15, false, e2))
        return;
    if (e1 > 07777 || e2 > 07777) return;
    skriv(t, "%ld RoxAnn E1 %.3f, E2 %.3f\n", static_cast<long>(t.nasekund), e1 / 1000.0,
          e2 / 1000.0);
}

// Simrad ES60, the text after "D1," or "D2,".
void dekod_es60(Tolk& t, const char* tekst) {
    // Not a sentence of the key table: split here.
    char* const* f = t.felt;
    if (splittfelt(t, tekst) >= 4) {
        double a = skann::tall(f[0]);
        double dybde = skann::tall(f[1]);
        int32_t type = les_heltall(f[3]);
        if (a > 0.0 && dybde > 0.0 && brukbar(dybde) && !skann::tom(f[2]) &&
            (type == 1 || type == 2)) {
            skriv(t, "%ld ES60 Dybde %.2f, hardhet %d, ruhet 0\n", static_cast<long>(t.nasekund),
                  dybde, 0);
            return;
        }
    }
    skriv(t, "%ld Ukjent ES60\n", static_cast<long>(t.nasekund));
}

// Tritech PA500 altimeter: a number followed by "m", logged as it comes.
void dekod_tritechPA500(Tolk& t, const char* linje) {
    float dybde;
    skann::Leser les(linje);
    if (!les.tall(dybde) || !brukbar(dybde)) return;
    logg(t, t.nasekund, " Dybde ", fast(static_cast<double>(dybde), 2), '\n');
}

} // namespace decoder
