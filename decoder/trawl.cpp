// Trawl and catch sensors: Scanmar (SM), Marelec (MA), Simrad ITI (PSIM) and
// Geonet (PTSAL). Each sentence becomes one named log line; nothing is kept.
#include "decoder/decoders.h"

#include "decoder/runtime.h"
#include "decoder/skann.h"
#include "decoder/state.h"
#include "decoder/tekst.h"

#include <cmath>
#include <cstdint>

namespace decoder {

namespace {

long tid() { return static_cast<long>(nasekund); }

// Scanmar sentences that pass the text of their first field on.
void forste_felt(const char* tekst, const char* navn) {
    if (splittfelt(tekst) < 1 || skann::tom(felt[0])) return;
    skriv("%ld %s %s\n", tid(), navn, felt[0]);
}

// The numbers of the given fields; false when one of them is "nan" or beyond
// the double range, which no sensor sends and the log should not show.
template <int N>
bool tall(const int (&nr)[N], double (&v)[N]) {
    for (int i = 0; i < N; ++i) {
        v[i] = skann::tall(felt[nr[i]]);
        if (!std::isfinite(v[i])) return false;
    }
    return true;
}

} // namespace

void dekod_smdbs(const char* tekst) {
    if (splittfelt(tekst) < 3 || skann::tom(felt[2])) return;
    skriv("%ld DepthOfTrawl %s\n", tid(), felt[2]);
}

void dekod_smtds(const char* tekst) { forste_felt(tekst, "TrawlDoorSpread"); }

void dekod_smhfb(const char* tekst) {
    if (splittfelt(tekst) < 3 || skann::tom(felt[0])) return;
    skriv("%ld DistanceHeadropeToFootrope %s HeadropeToBottom %s\n", tid(), felt[0], felt[2]);
}

void dekod_smtfi(const char* tekst) { forste_felt(tekst, "TrawlFilling"); }
void dekod_smcl1(const char* tekst) { forste_felt(tekst, "TrawlWaterSpeed"); }
void dekod_smmtw(const char* tekst) { forste_felt(tekst, "WaterTempAtTrawl"); }

void dekod_ma(const char* tekst) {
    if (splittfelt(tekst) < 13 || skann::tom(felt[0])) return;
    skriv("%ld Marelec %s %s %s %s\n", tid(), felt[1], felt[5], felt[9], felt[12]);
}

// The ITI sensors carry their values in the even-numbered fields.

void dekod_itispread(int nr, const char* tekst) {
    double v[4];
    if (splittfelt(tekst) < 9 || !tall({0, 2, 4, 6}, v)) return;
    skriv("%ld ITI sensor S%d,%g,%g,%g,%g,\n", tid(), nr, v[0], v[1], v[2], v[3]);
}

void dekod_itidybde(const char* tekst) {
    double v[4];
    if (splittfelt(tekst) < 9 || !tall({0, 2, 4, 6}, v)) return;
    skriv("%ld ITI sensor DE,%g,%g,%g,%g,%s\n", tid(), v[0], v[1], v[2], v[3], felt[8]);
}

void dekod_ititemp(const char* tekst) {
    double v[4];
    if (splittfelt(tekst) < 9 || !tall({0, 2, 4, 6}, v)) return;
    skriv("%ld ITI sensor TM,%g,%g,%g,%g,%s\n", tid(), v[0], v[1], v[2], v[3], felt[8]);
}

void dekod_itimiddelvekt(const char* tekst) {
    double v[4];
    if (splittfelt(tekst) < 9 || !tall({0, 2, 4, 6}, v)) return;
    skriv("%ld ITI sensor MW,%g,%g,%g,%g\n", tid(), v[0], v[1], v[2], v[3]);
}

void dekod_iticatch(const char* tekst) {
    double v[3];
    if (splittfelt(tekst) < 10 || !tall({0, 2, 4}, v)) return;
    // Catch counts are whole numbers: "12.7" is 12, and huge values saturate.
    skriv("%ld ITI sensor CA,%g,%g,%g,%d,%d,%d,\n", tid(), v[0], v[1], v[2],
          static_cast<int>(les_heltall(felt[6])), static_cast<int>(les_heltall(felt[7])),
          static_cast<int>(les_heltall(felt[8])));
}

void dekod_itihoyde(int nr, const char* tekst) {
    double v[5];
    if (splittfelt(tekst) < 10 || !tall({0, 2, 4, 6, 8}, v)) return;
    skriv("%ld ITI sensor H%d,%g,%g,%g,%g,%g\n", tid(), nr, v[0], v[1], v[2], v[3], v[4]);
}

void dekod_geonet_ptsal(const char* tekst) {
    double v[6];
    if (splittfelt(tekst) < 6 || !tall({0, 1, 2, 3, 4, 5}, v)) return;
    skriv("%ld Geonet L,%g,%g,%g,%g,%g,%g\n", tid(), v[0], v[1], v[2], v[3], v[4], v[5]);
}

} // namespace decoder
