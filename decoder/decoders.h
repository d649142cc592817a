// The sentence decoders, one family per file. Each takes the text right
// after its key in the sentence (the dispatch table says which key), checks
// its own fields and writes its log lines on `ut`.
#pragma once

#include <cstdint>

namespace decoder {

// Position fixes (fiks.cpp)
void dekod_gga(const char* tekst);
void dekod_imgps(const char* tekst);

// Course, speed and time (kurs.cpp)
void dekod_rmc(const char* tekst);
void dekod_vtg(const char* tekst);
void dekod_zda(const char* tekst);
void dekod_mte(const char* tekst);

// Heading and attitude (heading.cpp)
void dekod_hdt(const char* tekst);
void dekod_osd(const char* tekst);
void dekod_hdm(const char* tekst);
void dekod_hdg(const char* tekst);
void dekod_imsns(const char* tekst);
void dekod_att(const char* tekst);
void dekod_pjrcd_att(const char* tekst);
void dekod_thales_att(const char* tekst);

// Underwater positioning and ROV telemetry (posisjon.cpp)
void dekod_imssb(const char* tekst);
void dekod_HPR300P(const char* linje);
// The HPR 300 text report: two integers, a character, a word and five
// numbers. The dispatcher tests the shape with the decoder's own reader, so
// a line it hands over is one the decoder reads.
struct Hpr300 {
    int32_t nr = 0;  // the transponder
    float f[5] = {}; // X, Y and depth are the second to fourth
};
bool les_hpr300(const char* linje, Hpr300& h);
void dekod_immds(const char* tekst);
void dekod_iitpt(const char* tekst);
void dekod_trackpoint_pore(const char* tekst);
void dekod_ROV(const char* linje);

// Depth and seabed (dybde.cpp)
void dekod_dpt(const char* tekst);
void dekod_fotmeterfavn(const char* tekst, int fotfelt, int favnfelt);
void dekod_dbs(const char* tekst);
void dekod_dbt(const char* tekst);
void dekod_mtw(const char* tekst);
void dekod_seascan(const char* tekst);
void dekod_es60(const char* tekst);
void dekod_roxann(const char* linje);
void dekod_tritechPA500(const char* linje);

// Trawl and catch sensors (trawl.cpp)
void dekod_smdbs(const char* tekst);
void dekod_smtds(const char* tekst);
void dekod_smhfb(const char* tekst);
void dekod_smtfi(const char* tekst);
void dekod_smcl1(const char* tekst);
void dekod_smmtw(const char* tekst);
void dekod_ma(const char* tekst);
void dekod_itispread(int nr, const char* tekst);
void dekod_itidybde(const char* tekst);
void dekod_iticatch(const char* tekst);
void dekod_itihoyde(int nr, const char* tekst);
void dekod_ititemp(const char* tekst);
void dekod_itimiddelvekt(const char* tekst);
void dekod_geonet_ptsal(const char* tekst);

// Weather sensors (vaer.cpp)
void dekod_mmb(const char* tekst);
void dekod_mwv(const char* tekst);
void dekod_mta(const char* tekst);
void dekod_xdr(const char* tekst);

// Radar targets, waypoints and pass-through (radar.cpp)
void dekod_ttm(const char* tekst);
void dekod_tll(const char* tekst);
void dekod_wpl(const char* tekst);
void dekod_dvcam(const char* tekst);
void dekod_ais(const char* tekst);

} // namespace decoder
