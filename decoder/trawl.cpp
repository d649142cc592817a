// Trawl and catch sensors: Scanmar (SM), Marelec (MA), Simrad ITI (PSIM) and
// Geonet (PTSAL). Each sentence becomes one named log line; nothing is kept.
#include "decoder/decoders.h"

#include "decoder/felter.h"
#include "decoder/runtime.h"
#include "decoder/skann.h"
#include "decoder/tolk.h"

#include <cmath>
#include <cstdint>

namespace decoder {

namespace {

long tid(const Tolk& t) { return static_cast<long>(t.nasekund); }

// Scanmar sentences that pass the text of their first field on.
void forste_felt(Tolk& t, const char* navn) {
    const char* verdi = t.felt[scanmar::Verdi];
    if (skann::tom(verdi)) return;
    skriv(t, "%ld %s %s\n", tid(t), navn, verdi);
}

// The numbers of the given fields; false when one of them is "nan" or beyond
// the double range, which no sensor sends and the log should not show.
template <int N>
bool tall(const Tolk& t, const int (&nr)[N], double (&v)[N]) {
    for (int i = 0; i < N; ++i) {
        v[i] = skann::tall(t.felt[nr[i]]);
        if (!std::isfinite(v[i])) return false;
    }
    return true;
}

} // namespace

void dekod_smdbs(Tolk& t, const char*) {
    if (skann::tom(t.felt[smdbs::Dybde])) return;
    skriv(t, "%ld DepthOfTrawl %s\n", tid(t), t.felt[smdbs::Dybde]);
}

void dekod_smtds(Tolk& t, const char*) { forste_felt(t, "TrawlDoorSpread"); }

void dekod_smhfb(Tolk& t, const char*) {
    using namespace smhfb;
    if (skann::tom(t.felt[Aapning])) return;
    skriv(t, "%ld DistanceHeadropeToFootrope %s HeadropeToBottom %s\n", tid(t), t.felt[Aapning],
          t.felt[OverBunn]);
}

void dekod_smtfi(Tolk& t, const char*) { forste_felt(t, "TrawlFilling"); }
void dekod_smcl1(Tolk& t, const char*) { forste_felt(t, "TrawlWaterSpeed"); }
void dekod_smmtw(Tolk& t, const char*) { forste_felt(t, "WaterTempAtTrawl"); }

void dekod_ma(Tolk& t, const char*) {
    using namespace ma;
    char* const* f = t.felt;
    if (skann::tom(f[Forste])) return;
    skriv(t, "%ld Marelec %s %s %s %s\n", tid(t), f[Verdi1], f[Verdi2], f[Verdi3], f[Verdi4]);
}

void dekod_itispread(Tolk& t, int nr, const char*) {
    double v[4];
    if (!tall(t, {0, 2, 4, 6}, v)) return;
    skriv(t, "%ld ITI sensor S%d,%g,%g,%g,%g,\n", tid(t), nr, v[0], v[1], v[2], v[3]);
}

void dekod_itidybde(Tolk& t, const char*) {
    double v[4];
    if (!tall(t, {0, 2, 4, 6}, v)) return;
    skriv(t, "%ld ITI sensor DE,%g,%g,%g,%g,%s\n", tid(t), v[0], v[1], v[2], v[3],
          t.felt[iti::Tillegg]);
}

void dekod_ititemp(Tolk& t, const char*) {
    double v[4];
    if (!tall(t, {0, 2, 4, 6}, v)) return;
    skriv(t, "%ld ITI sensor TM,%g,%g,%g,%g,%s\n", tid(t), v[0], v[1], v[2], v[3],
          t.felt[iti::Tillegg]);
}

void dekod_itimiddelvekt(Tolk& t, const char*) {
    double v[4];
    if (!tall(t, {0, 2, 4, 6}, v)) return;
    skriv(t, "%ld ITI sensor MW,%g,%g,%g,%g\n", tid(t), v[0], v[1], v[2], v[3]);
}

void dekod_iticatch(Tolk& t, const char*) {
    using namespace iti;
    double v[3];
    if (!tall(t, {0, 2, 4}, v)) return;
    // Catch counts are whole numbers: "12.7" is 12, and huge values saturate.
    skriv(t, "%ld ITI sensor CA,%g,%g,%g,%d,%d,%d,\n", tid(t), v[0], v[1], v[2],
          static_cast<int>(les_heltall(t.felt[Antall1])), static_cast<int>(les_heltall(t.felt[Antall2])),
          static_cast<int>(les_heltall(t.felt[Antall3])));
}

void dekod_itihoyde(Tolk& t, int nr, const char*) {
    double v[5];
    if (!tall(t, {0, 2, 4, 6, 8}, v)) return;
    skriv(t, "%ld ITI sensor H%d,%g,%g,%g,%g,%g\n", tid(t), nr, v[0], v[1], v[2], v[3], v[4]);
}

void dekod_geonet_ptsal(Tolk& t, const char*) {
    double v[6];
    if (!tall(t, {0, 1, 2, 3, 4, 5}, v)) return;
    skriv(t, "%ld Geonet L,%g,%g,%g,%g,%g,%g\n", tid(t), v[0], v[1], v[2], v[3], v[4], v[5]);
}

} // namespace decoder
