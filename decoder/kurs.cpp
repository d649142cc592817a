// RMC, VTG, ZDA and MTE: course over ground, speed and the GPS clock against
// the computer's. RMC is preferred over VTG, and both over the estimate from
// the fix window; rmctid alone carries that preference.
#include "decoder/decoders.h"
#include "decoder/felter.h"
#include "decoder/fiks.h"
#include "decoder/geodesi.h"
#include "decoder/halvkule.h"
#include "decoder/overlegg.h"
#include "decoder/runtime.h"
#include "decoder/skann.h"
#include "decoder/tekst.h"
#include "decoder/tid.h"
#include "decoder/tolk.h"
#include "decoder/utskrift.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <ctime>

namespace decoder {

namespace {

// GPS times outside this range are taken as a receiver without a valid date.
constexpr int64_t kTidlegast = 851472001;  // 1996-12-25 00:00:01 UTC
constexpr int64_t kSenest = 2112911999;    // 2036-12-14 23:59:59 UTC
// More than any time zone is away from UTC.
constexpr int64_t kDoegn = 86400;

// A date and time as the sentence gave them, before normalising: the
// overlay shows no 31 February.
bool ekte_tid(const tm& b) {
    static const int kDager[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (b.tm_sec < 0 || b.tm_sec > 60 || b.tm_min < 0 || b.tm_min > 59 || b.tm_hour < 0 || b.tm_hour > 23 ||
        b.tm_mon < 0 || b.tm_mon > 11 || b.tm_mday < 1)
        return false;
    const int aar = b.tm_year + 1900;
    const bool skuddaar = (aar % 4 == 0 && aar % 100 != 0) || aar % 400 == 0;
    return b.tm_mday <= kDager[b.tm_mon] + (b.tm_mon == 1 && skuddaar ? 1 : 0);
}

void sett_stromutc(Tolk& t, double utc) {
    if (!(utc >= kTidlegast && utc <= kSenest)) return;
    const double naa = settetid(t);
    t.stromavvik.store(utc - naa, std::memory_order_relaxed);
    t.tidStromUtc.store(naa, std::memory_order_relaxed);
}

} // namespace

void gga_tid(Tolk& t, double tid) {
    if (!(tid >= 0 && tid < 240000)) return;
    const int32_t hms = til_int32(tid);
    const int32_t timer = hms / 10000, minutter = hms / 100 % 100, sekunder = hms % 100;
    if (timer > 23 || minutter > 59 || sekunder > 60) return;
    const double idag = timer * 3600.0 + minutter * 60.0 + sekunder + (tid - hms);
    const double naa = settetid(t);
    const double avvik = t.stromavvik.load(std::memory_order_relaxed);
    const double ventet = std::isnan(avvik) ? naa : naa + avvik;
    const double dag = std::floor(ventet / kDoegn) * kDoegn;
    double best = dag + idag;
    for (double annen : {dag - kDoegn + idag, dag + kDoegn + idag})
        if (std::fabs(annen - ventet) < std::fabs(best - ventet)) best = annen;
    sett_stromutc(t, best);
}

void rmcdata(Tolk& t, double fart, double kurs, double tid, double dato) {
    if (fart >= 0 && kurs >= 0) {
        kurslinje(t, kurs, fart);
        t.sistefart = fart;
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
    // The GPS time is read as the host's standard time, as it always has
    // been. A time outside the range in every zone needs no zone at all.
    const int64_t utc = utc_sekunder(b);
    if (ekte_tid(b)) sett_stromutc(t, static_cast<double>(utc) + (tid - hms));
    if (utc < kTidlegast - kDoegn || utc > kSenest + kDoegn) return;
    const int64_t sek = fra_normaltid(t, b);
    if (sek < kTidlegast || sek > kSenest) return;
    logg(t, "Klokkediff ", static_cast<long>(int64_t{t.nasekund} - sek), '\n');
}

void dekod_rmc(Tolk& t, const char*) {
    using namespace rmc;
    using skann::siffer_forst;
    char* const* f = t.felt;
    if (!siffer_forst(f[Tid]) || !strlik(f[Status], "A") || !siffer_forst(f[Bredde]) ||
        !siffer_forst(f[Lengde]) || !siffer_forst(f[Fart]) || !siffer_forst(f[Kurs]) ||
        !siffer_forst(f[Dato]))
        return;
    const auto hele = Lesning::HeleFeltet;
    double tid = skann::tall(f[Tid]);
    double bredde = med_halvkule(kunminutt(skann::tall(f[Bredde])), f[NordSor], Akse::Bredde, hele);
    double lengde = med_halvkule(kunminutt(skann::tall(f[Lengde])), f[OstVest], Akse::Lengde, hele);
    double fart = skann::tall(f[Fart]);
    double kurs = skann::tall(f[Kurs]);
    double dato = skann::tall(f[Dato]);
    // A number too large for a double reads as infinite; as a speed it would
    // switch the jump test of the fixes off.
    if (!std::isfinite(bredde) || !std::isfinite(lengde) || !std::isfinite(fart) ||
        !std::isfinite(kurs))
        return;
    if (bredde == 0.0 && lengde == 0.0) return;
    if (t.spesialrmc) {
        // Another unit's positions: reported for it, not taken as ours.
        skriv(t, "%ld Spesialm\x8C" "l %srmc,%.5f,%.5f,%.1f,%.1f,%s\n",
              static_cast<long>(t.nasekund), t.ttynavn ? t.ttynavn : "", bredde, lengde, fart,
              kurs, t.spesialrmc);
        return;
    }
    rmcdata(t, fart, kurs, tid, dato);
    t.rmctid = t.nasekund;
}

void dekod_vtg(Tolk& t, const char*) {
    using namespace vtg;
    const int64_t naa = t.nasekund;
    // An RMC of the last 4 seconds, or a VTG in this same second, wins.
    if (t.rmctid <= naa && naa <= int64_t{t.rmctid} + 4) return;
    if (skann::tom(t.felt[Kurs]) || skann::tom(t.felt[Fart])) return;
    double kurs = skann::tall(t.felt[Kurs]);
    double fart = skann::tall(t.felt[Fart]);
    if (!std::isfinite(kurs) || !std::isfinite(fart)) return;
    // What receivers send while they have no course.
    if (fart <= 0 && kurs == 0) return;
    kurslinje(t, kurs, fart);
    t.sistefart = fart;
    t.rmctid = klem(naa - 4);
}

void dekod_zda(Tolk& t, const char*) {
    using namespace zda;
    char* const* f = t.felt;
    double tid = skann::tall(f[Tid]);
    if (tid == 0 || skann::tall(f[Aar]) == 0) return;
    if (std::strlen(f[Dag]) != 2 || std::strlen(f[Maaned]) != 2 || std::strlen(f[Aar]) != 4) return;
    const char dato[7] = {f[Dag][0], f[Dag][1], f[Maaned][0], f[Maaned][1], f[Aar][2], f[Aar][3], '\0'};
    rmcdata(t, -1, -1, tid, skann::tall(dato));
}

void dekod_mte(Tolk& t, const char* tekst) {
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
    // Decoded as the body of a ZDA.
    char kropp[128];
    std::snprintf(kropp, sizeof kropp, "%02d%02d%02d.%02d,%02d,%02d,20%02d,0,0", v[3], v[4], v[5],
                  v[6], v[0], v[1], v[2]);
    if (splittfelt(t, kropp) >= zda::kMin) dekod_zda(t, kropp);
}

} // namespace decoder
