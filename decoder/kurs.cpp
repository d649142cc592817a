// RMC, VTG, ZDA and MTE: course over ground, speed and the GPS clock against
// the computer's. RMC is preferred over VTG, and both over the estimate from
// the fix window; rmctid alone carries that preference.
#include "decoder/decoders.h"
#include "decoder/fiks.h"
#include "decoder/geodesi.h"
#include "decoder/runtime.h"
#include "decoder/skann.h"
#include "decoder/state.h"
#include "decoder/tekst.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <ctime>

namespace decoder {

namespace {

// GPS times outside this range are taken as a receiver without a valid date.
constexpr int64_t kTidlegast = 851472001;  // 1996-12-25 00:00:01 UTC
constexpr int64_t kSenest = 2112911999;    // 2036-12-14 23:59:59 UTC

void kurslinje(double kurs, double fart) {
    skriv("%ld Kurs %.1f, knop %.1f\n", static_cast<long>(nasekund), kurs, fart);
}

} // namespace

void rmcdata(double fart, double kurs, double tid, double dato) {
    if (fart >= 0 && kurs >= 0) {
        kurslinje(kurs, fart);
        sistefart = fart;
    }
    int32_t hms = til_int32(tid);
    int32_t dmy = til_int32(dato);
    if (hms > 239999) return;
    tm b{};
    b.tm_sec = hms % 100;
    b.tm_min = (hms / 100) % 100;
    b.tm_hour = (hms / 10000) % 100;
    b.tm_mday = (dmy / 10000) % 100;
    b.tm_mon = (dmy / 100) % 100 - 1;
    int aar = dmy % 100;
    b.tm_year = (aar <= 69 ? 2000 + aar : 1900 + aar) - 1900;
    b.tm_isdst = 0;
    int64_t t = std::mktime(&b);
    if (t < kTidlegast || t > kSenest) return;
    skriv("Klokkediff %ld\n", static_cast<long>(int64_t{nasekund} - t));
}

void dekod_rmc(const char* tekst) {
    using skann::siffer_forst;
    int n = splittfelt(tekst);
    if (n < 9 || !siffer_forst(felt[0]) || !strlik(felt[1], "A") || !siffer_forst(felt[2]) ||
        !siffer_forst(felt[4]) || !siffer_forst(felt[6]) || !siffer_forst(felt[7]) ||
        !siffer_forst(felt[8]))
        return;
    double tid = skann::tall(felt[0]);
    double bredde = kunminutt(skann::tall(felt[2]));
    if (strlik(felt[3], "S")) bredde = -bredde;
    double lengde = kunminutt(skann::tall(felt[4]));
    if (strlik(felt[5], "W")) lengde = -lengde;
    double fart = skann::tall(felt[6]);
    double kurs = skann::tall(felt[7]);
    double dato = skann::tall(felt[8]);
    // A number too large for a double reads as infinite; as a speed it would
    // switch the jump test of the fixes off.
    if (!std::isfinite(bredde) || !std::isfinite(lengde) || !std::isfinite(fart) ||
        !std::isfinite(kurs))
        return;
    if (bredde == 0.0 && lengde == 0.0) return;
    if (spesialrmc) {
        // Another unit's positions: reported for it, not taken as ours.
        skriv("%ld Spesialm\x8C" "l %srmc,%.5f,%.5f,%.1f,%.1f,%s\n", static_cast<long>(nasekund),
              ttyetikett(), bredde, lengde, fart, kurs, spesialrmc);
        return;
    }
    rmcdata(fart, kurs, tid, dato);
    rmctid = nasekund;
}

void dekod_vtg(const char* tekst) {
    const int64_t naa = nasekund;
    // An RMC of the last 4 seconds, or a VTG in this same second, wins.
    if (rmctid <= naa && naa <= int64_t{rmctid} + 4) return;
    int n = splittfelt(tekst);
    if (n < 6 || skann::tom(felt[0]) || skann::tom(felt[4])) return;
    double kurs = skann::tall(felt[0]);
    double fart = skann::tall(felt[4]);
    if (!std::isfinite(kurs) || !std::isfinite(fart)) return;
    // What receivers send while they have no course.
    if (fart <= 0 && kurs == 0) return;
    kurslinje(kurs, fart);
    sistefart = fart;
    rmctid = klem(naa - 4);
}

void dekod_zda(const char* tekst) {
    int n = splittfelt(tekst);
    if (n < 4) return;
    double tid = skann::tall(felt[0]);
    if (tid == 0 || skann::tall(felt[3]) == 0) return;
    if (std::strlen(felt[1]) != 2 || std::strlen(felt[2]) != 2 || std::strlen(felt[3]) != 4) return;
    const char dato[7] = {felt[1][0], felt[1][1], felt[2][0], felt[2][1], felt[3][2], felt[3][3], '\0'};
    rmcdata(-1, -1, tid, skann::tall(dato));
}

void dekod_mte(const char* tekst) {
    if (splittfelt(tekst) < 2) return;
    // dd/mm/yy,hh:mm:ss.hh; the hundredths may be missing.
    static const char skille[] = "//,::.";
    int32_t v[7] = {};
    int lest = 0;
    skann::Leser l(tekst);
    for (int i = 0; i < 7; ++i) {
        if (i > 0 && !l.bokstav(skille[i - 1])) break;
        if (!l.heltall(v[i])) break;
        ++lest;
    }
    if (lest < 6) return;
    char zda[128];
    std::snprintf(zda, sizeof zda, "%02d%02d%02d.%02d,%02d,%02d,20%02d,0,0", v[3], v[4], v[5], v[6],
                  v[0], v[1], v[2]);
    dekod_zda(zda);
}

} // namespace decoder
