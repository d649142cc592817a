// Underwater positioning: relative transponder fixes (PSIMSSB and the HPR 300
// text), sonar targets, ITI trawl positions, Trackpoint, and the ROV's own
// telemetry line. A fix of the ROV's transponder sets the four overlay values.
#include "decoder/decoders.h"
#include "decoder/geodesi.h"
#include "decoder/runtime.h"
#include "decoder/skann.h"
#include "decoder/state.h"
#include "decoder/tekst.h"

#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstring>

namespace decoder {

namespace {

constexpr double kMeterPerNm = 1852.0;
// Heading value that stands for "no heading known".
constexpr double kIngenHeading = -999.0;
// GPS fixes older than this do not place a transponder fix.
constexpr int64_t kMaksFiksalder = 99;

// Room for the transponder code of a PSIMSSB fix (99 characters kept).
constexpr size_t kKodelengde = 100;
// Room for the sonar target description (110 characters kept).
constexpr size_t kBeskrivelse = 111;
// Room for the word of an HPR 300 line (15 characters kept); it is never printed.
constexpr size_t kOrdlengde = 16;

long sek() { return static_cast<long>(nasekund); }

// A PSIMSSB text read as "%lf,%[^,],A,,C,%c,%c,%lf,%lf,%lf"; returns how many
// items were read.
struct Ssb {
    double tid = 0;
    char kode[kKodelengde] = {};
    char orientering = 0;
    char annen = 0;
    double x = 0, y = 0, dybde = 0;
};

int les_ssb(const char* tekst, Ssb& s) {
    skann::Leser l(tekst);
    if (!l.tall(s.tid)) return 0;
    if (!l.bokstav(',') || !l.til_komma(s.kode, sizeof s.kode)) return 1;
    if (!l.bokstaver(",A,,C,") || !l.tegn(s.orientering)) return 2;
    if (!l.bokstav(',') || !l.tegn(s.annen)) return 3;
    if (!l.bokstav(',') || !l.tall(s.x)) return 4;
    if (!l.bokstav(',') || !l.tall(s.y)) return 5;
    if (!l.bokstav(',') || !l.tall(s.dybde)) return 6;
    return 7;
}

// Appends to the text in buf, cut where the buffer ends.
__attribute__((format(printf, 3, 4))) void legg_til(char* buf, size_t n, const char* fmt, ...) {
    size_t brukt = std::strlen(buf);
    if (brukt + 1 >= n) return;
    va_list ap;
    va_start(ap, fmt);
    std::vsnprintf(buf + brukt, n - brukt, fmt, ap);
    va_end(ap);
}

} // namespace

void dekod_imssb(const char* tekst) {
    skriv("%ld sistepos : %lf,%lf,%ld\n", sek(), sistepos.bredde, sistepos.lengde,
          static_cast<long>(sistepos.tid));
    Ssb s;
    if (les_ssb(tekst, s) < 7) {
        // Status V and other layouts: the transponder is known but has no fix.
        // Only the time and the code matter, whatever letter follows.
        Ssb t;
        if (les_ssb(tekst, t) >= 2)
            skriv("%ld HPR %s,-1,-1,-1\n", sek(), t.kode);
        else
            skriv("Feil med HPR\n");
        return;
    }

    double nord = 0, ost = 0, hterm = 0;
    // X, Y and depth that are not finite would put NaN or infinity into the
    // overlay; such a fix is as good as none.
    bool gyldig = std::isfinite(s.x) && std::isfinite(s.y) && std::isfinite(s.dybde);
    if (s.orientering == 'N') {
        nord = s.y / kMeterPerNm;
        ost = s.x / kMeterPerNm;
    } else if (s.orientering == 'H') {
        // Head-up: X forward, Y to starboard, turned by the vessel heading.
        if (s.tid == 0 || sistehprheading == kIngenHeading) gyldig = false;
        nord = s.x / kMeterPerNm;
        ost = s.y / kMeterPerNm;
        hterm = sistehprheading;
    } else {
        gyldig = false;
    }
    if (!gyldig) {
        skriv("%ld HPR %s,-1,-1,-1\n", sek(), s.kode);
        return;
    }

    double peiling = std::fmod(givinkel(ost, nord) + hterm + 360.0, 360.0);
    double avstand = std::sqrt(nord * nord + ost * ost);
    skriv("%ld HPR %s,%.4f,%.1f,%.1f\n", sek(), s.kode, avstand, peiling, s.dybde);

    if (sistepos.tid == 0 || int64_t{nasekund} - sistepos.tid > kMaksFiksalder) return;
    skriv("%ld HPR POS : %lf,%lf\n", sek(), sistepos.bredde + nord, sistepos.lengde + ost);
    // The orientation first: a reader that sees the new offset sees how to turn it.
    constexpr auto r = std::memory_order_relaxed;
    gHeadUp.store(s.orientering == 'H', r);
    gLon.store(ost, r);
    gLat.store(nord, r);
    gLatBoat.store(sistepos.bredde, r);
    gLonBoat.store(sistepos.lengde, r);
}

bool les_hpr300(const char* linje, Hpr300& h) {
    // "%d %d %c %s %f %f %f %f %f"
    int32_t heltall = 0;
    char tegn = 0;
    char ord[kOrdlengde];
    skann::Leser l(linje);
    bool lest = l.heltall(h.nr) && l.heltall(heltall);
    if (lest) l.blanke(); // the blank before %c
    lest = lest && l.tegn(tegn) && l.ord(ord, sizeof ord);
    for (float& v : h.f) lest = lest && l.tall(v);
    return lest;
}

void dekod_HPR300P(const char* linje) {
    Hpr300 h;
    if (!les_hpr300(linje, h)) return;
    // The echo has no line end of its own; what follows goes on the same line.
    skriv("HPR300 : %s", linje);
    if (h.nr != PingerOfROVNumber) return;
    char ssb[256];
    std::snprintf(ssb, sizeof ssb, "1,%d,A,,C,H,M,%f,%f,%f,,N,,", h.nr,
                  static_cast<double>(h.f[1]), static_cast<double>(h.f[2]),
                  static_cast<double>(h.f[3]));
    dekod_imssb(ssb);
}

void dekod_immds(const char* tekst) {
    int n = splittfelt(tekst);
    if (n < 19) return;
    double avstand = 0, vinkel = 0, dybde = 0;
    char beskrivelse[kBeskrivelse] = "";
    if (strlik(felt[3], "V")) {
        avstand = !skann::tom(felt[8]) && strlik(felt[9], "M") ? skann::tall(felt[8]) / kMeterPerNm
                                                               : -1;
        vinkel = !skann::tom(felt[10]) && strlik(felt[11], "P") ? -skann::tall(felt[10]) : 0;
        dybde = !skann::tom(felt[12]) && strlik(felt[13], "M") ? skann::tall(felt[12]) : 0;
        legg_til(beskrivelse, sizeof beskrivelse, "Depth %g m", dybde);
        if (n >= 20 && !skann::tom(felt[18]))
            legg_til(beskrivelse, sizeof beskrivelse, "; area %s m2", felt[18]);
        if (n >= 22 && !skann::tom(felt[20]))
            legg_til(beskrivelse, sizeof beskrivelse, "; volume %g tons", skann::tall(felt[20]));
    }
    skriv("%ld HPR Sonar %s;%s,%g,%g,%g\n", sek(), felt[2], beskrivelse, avstand, vinkel, dybde);
}

void dekod_iitpt(const char* tekst) {
    int n = splittfelt(tekst);
    if (n < 6 || skann::tom(felt[0]) || skann::tom(felt[2])) return;
    double avstand = skann::tall(felt[0]) / kMeterPerNm;
    if (skann::tom(felt[4]))
        skriv("%ld HPR ITI,%g,%s,0\n", sek(), avstand, felt[2]);
    else
        skriv("%ld HPR ITI,%g,%s,%s\n", sek(), avstand, felt[2], felt[4]);
}

void dekod_trackpoint_pore(const char* tekst) {
    using skann::tom;
    int n = splittfelt(tekst);
    if (n < 12 || tom(felt[0]) || tom(felt[5]) || tom(felt[6]) || tom(felt[7])) return;
    double kvalitet = skann::tall(felt[10]);
    if (!(kvalitet == 0 || kvalitet > 20)) return;
    double nord = skann::tall(felt[5]) / kMeterPerNm;
    double ost = skann::tall(felt[6]) / kMeterPerNm;
    double dybde = skann::tall(felt[7]);
    double peiling = givinkel(ost, nord);
    double avstand = std::sqrt(nord * nord + ost * ost);
    skriv("%ld HPR %s,%.4f,%.1f,%.1f\n", sek(), felt[0], -avstand, peiling, dybde);
}

void dekod_ROV(const char* linje) {
    // "D%fC%fA%fO"; the sensor writes "--.-" for an altitude it has not got.
    float dybde = 0, heading = 0, hoyde = 0;
    skann::Leser l(linje);
    int lest = 0;
    if (l.bokstav('D') && l.tall(dybde)) ++lest;
    if (lest == 1 && l.bokstav('C') && l.tall(heading)) ++lest;
    if (lest == 2 && l.bokstav('A') && l.tall(hoyde)) ++lest;
    if (lest == 3) {
        skriv("%ld ROV depth %.2f heading %.0f elevation %.2f\n", sek(), static_cast<double>(dybde),
              static_cast<double>(heading), static_cast<double>(hoyde));
        gAlti = hoyde;
    } else if (lest == 2) {
        skriv("%ld ROV depth %.2f heading %.0f elevation 0.0\n", sek(), static_cast<double>(dybde),
              static_cast<double>(heading));
        gAlti = 0.0;
    } else {
        return;
    }
    gDepth = dybde;
    gHeadingROV = til_int32(heading);
}

} // namespace decoder
