// The sentence decoders, one family per file. A decoder of the key table
// gets the text after its key; when its row splits the sentence (felter.h),
// the fields are already in t.felt, t.antfelt of them and at least the
// row's minimum. Each writes its own log lines.
#pragma once

#include <cstdint>

namespace decoder {

class Tolk;

// Position fixes (fiks.cpp)
void dekod_gga(Tolk& t, const char* tekst);
void dekod_imgps(Tolk& t, const char* tekst);
// "Dårlig GPS": a fix sentence that cannot be read.
void daarlig_gps(Tolk& t, const char* tekst);

// Course, speed and time (kurs.cpp)
void dekod_rmc(Tolk& t, const char* tekst);
void dekod_vtg(Tolk& t, const char* tekst);
void dekod_zda(Tolk& t, const char* tekst);
void dekod_mte(Tolk& t, const char* tekst);

// Heading and attitude (heading.cpp)
void dekod_hdt(Tolk& t, const char* tekst);
void dekod_osd(Tolk& t, const char* tekst);
void dekod_ths(Tolk& t, const char* tekst);
void dekod_hdm(Tolk& t, const char* tekst);
void dekod_hdg(Tolk& t, const char* tekst);
void dekod_imsns(Tolk& t, const char* tekst);
void dekod_att(Tolk& t, const char* tekst);
void dekod_pjrcd_att(Tolk& t, const char* tekst);
void dekod_thales_att(Tolk& t, const char* tekst);

// Underwater positioning and ROV telemetry (posisjon.cpp)
void dekod_imssb(Tolk& t, const char* tekst);
void dekod_HPR300P(Tolk& t, const char* linje);
// The HPR 300 text report: two integers, a character, a word and five
// numbers. The dispatcher tests the shape with the decoder's own reader, so
// a line it hands over is one the decoder reads.
struct Hpr300 {
    int32_t nr = 0;  // the transponder
    float f[5] = {}; // X, Y and depth are the second to fourth
};
bool les_hpr300(const char* linje, Hpr300& h);
void dekod_immds(Tolk& t, const char* tekst);
void dekod_iitpt(Tolk& t, const char* tekst);
void dekod_trackpoint_pore(Tolk& t, const char* tekst);
void dekod_ROV(Tolk& t, const char* linje);

// Depth and seabed (dybde.cpp)
void dekod_dpt(Tolk& t, const char* tekst);
void dekod_fotmeterfavn(Tolk& t, int korriger, int kilde);
void dekod_dbs(Tolk& t, const char* tekst);
void dekod_dbt(Tolk& t, const char* tekst);
void dekod_mtw(Tolk& t, const char* tekst);
void dekod_seascan(Tolk& t, const char* tekst);
void dekod_es60(Tolk& t, const char* tekst);
void dekod_roxann(Tolk& t, const char* linje);
void dekod_tritechPA500(Tolk& t, const char* linje);

// Trawl and catch sensors (trawl.cpp)
void dekod_smdbs(Tolk& t, const char* tekst);
void dekod_smtds(Tolk& t, const char* tekst);
void dekod_smhfb(Tolk& t, const char* tekst);
void dekod_smtfi(Tolk& t, const char* tekst);
void dekod_smcl1(Tolk& t, const char* tekst);
void dekod_smmtw(Tolk& t, const char* tekst);
void dekod_ma(Tolk& t, const char* tekst);
void dekod_itispread(Tolk& t, int nr, const char* tekst);
void dekod_itidybde(Tolk& t, const char* tekst);
void dekod_iticatch(Tolk& t, const char* tekst);
void dekod_itihoyde(Tolk& t, int nr, const char* tekst);
void dekod_ititemp(Tolk& t, const char* tekst);
void dekod_itimiddelvekt(Tolk& t, const char* tekst);
void dekod_geonet_ptsal(Tolk& t, const char* tekst);

// Weather sensors (vaer.cpp)
void dekod_mmb(Tolk& t, const char* tekst);
void dekod_mwv(Tolk& t, const char* tekst);
void dekod_mta(Tolk& t, const char* tekst);
void dekod_xdr(Tolk& t, const char* tekst);

// Radar targets, waypoints and pass-through (radar.cpp)
void dekod_ttm(Tolk& t, const char* tekst);
void dekod_tll(Tolk& t, const char* tekst);
void dekod_wpl(Tolk& t, const char* tekst);
void dekod_dvcam(Tolk& t, const char* tekst);
void dekod_ais(Tolk& t, const char* tekst);

} // namespace decoder
