// Underwater positioning: relative transponder fixes (PSIMSSB and the HPR 300
// text), sonar targets, ITI trawl positions, Trackpoint, and the ROV's own
// telemetry line. A fix of the ROV's transponder sets the four overlay values.
#include "decoder/decoders.h"
#include "decoder/felter.h"
#include "decoder/geodesi.h"
#include "decoder/overlegg.h"
#include "decoder/runtime.h"
#include "decoder/skann.h"
#include "decoder/tekst.h"
#include "decoder/tolk.h"
#include "decoder/utskrift.h"

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

void dekod_imssb(Tolk& t, const char* tekst) {
    const long sek = t.nasekund;
    logg(t, sek, " sistepos : ", fast(t.sistepos.bredde, 6), ',', fast(t.sistepos.lengde, 6), ',',
         static_cast<long>(t.sistepos.tid), '\n');
    Ssb s;
    if (les_ssb(tekst, s) < 7) {
        // Status V and other layouts: the transponder is known but has no fix.
        // Only the time and the code matter, whatever letter follows.
        Ssb u;
        if (les_ssb(tekst, u) >= 2)
            logg(t, sek, " HPR ", u.kode, ",-1,-1,-1\n");
        else
            skriv(t, "Feil med HPR\n");
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
        if (s.tid == 0 || t.sistehprheading == kIngenHeading) gyldig = false;
        nord = s.x / kMeterPerNm;
        ost = s.y / kMeterPerNm;
        hterm = t.sistehprheading;
    } else {
        gyldig = false;
    }
    if (!gyldig) {
        logg(t, sek, " HPR ", s.kode, ",-1,-1,-1\n");
        return;
    }

    double peiling = std::fmod(givinkel(ost, nord) + hterm + 360.0, 360.0);
    double avstand = std::sqrt(nord * nord + ost * ost);
    logg(t, sek, " HPR ", s.kode, ',', fast(avstand, 4), ',', fast(peiling, 1), ',',
         fast(s.dybde, 1), '\n');

    if (t.sistepos.tid == 0 || int64_t{t.nasekund} - t.sistepos.tid > kMaksFiksalder) return;
    logg(t, sek, " HPR POS : ", fast(t.sistepos.bredde + nord, 6), ',',
         fast(t.sistepos.lengde + ost, 6), '\n');
    Overleggsfiks fiks;
    fiks.latBoat = t.sistepos.bredde;
    fiks.lonBoat = t.sistepos.lengde;
    fiks.lat = nord;
    fiks.lon = ost;
    fiks.headUp = s.orientering == 'H';
    fiks.heading = hterm;
    fiks.dybde = s.dybde;
    fiks.tid = settetid(t);
    skriv_fiks(t, fiks);
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

void dekod_HPR300P(Tolk& t, const char* linje) {
    Hpr300 h;
    if (!les_hpr300(linje, h)) return;
    // The echo has no line end of its own; what follows goes on the same line.
    skriv(t, "HPR300 : %s", linje);
    if (h.nr != t.PingerOfROVNumber) return;
    char ssb[256];
    std::snprintf(ssb, sizeof ssb, "1,%d,A,,C,H,M,%f,%f,%f,,N,,", h.nr,
                  static_cast<double>(h.f[1]), static_cast<double>(h.f[2]),
                  static_cast<double>(h.f[3]));
    dekod_imssb(t, ssb);
}

void dekod_immds(Tolk& t, const char*) {
    using namespace psimmds;
    using skann::tom;
    char* const* f = t.felt;
    double avstand = 0, vinkel = 0, dybde = 0;
    char beskrivelse[kBeskrivelse] = "";
    if (strlik(f[Status], "V")) {
        avstand = !tom(f[Avstand]) && strlik(f[AvstandEnhet], "M")
                      ? skann::tall(f[Avstand]) / kMeterPerNm
                      : -1;
        vinkel = !tom(f[Vinkel]) && strlik(f[VinkelSide], "P") ? -skann::tall(f[Vinkel]) : 0;
        dybde = !tom(f[Dybde]) && strlik(f[DybdeEnhet], "M") ? skann::tall(f[Dybde]) : 0;
        legg_til(beskrivelse, sizeof beskrivelse, "Depth %g m", dybde);
        // Area and volume count with the unit field after them.
        if (t.antfelt > ArealEnhet && !tom(f[Areal]))
            legg_til(beskrivelse, sizeof beskrivelse, "; area %s m2", f[Areal]);
        if (t.antfelt > VolumEnhet && !tom(f[Volum]))
            legg_til(beskrivelse, sizeof beskrivelse, "; volume %g tons", skann::tall(f[Volum]));
    }
    skriv(t, "%ld HPR Sonar %s;%s,%g,%g,%g\n", static_cast<long>(t.nasekund), f[Maal], beskrivelse,
          avstand, vinkel, dybde);
}

void dekod_iitpt(Tolk& t, const char* tekst) {
    // Not a sentence of the key table: split here.
    int n = splittfelt(t, tekst);
    char* const* f = t.felt;
    if (n < 6 || skann::tom(f[0]) || skann::tom(f[2])) return;
    double avstand = skann::tall(f[0]) / kMeterPerNm;
    skriv(t, "%ld HPR ITI,%g,%s,%s\n", static_cast<long>(t.nasekund), avstand, f[2],
          skann::tom(f[4]) ? "0" : f[4]);
}

void dekod_trackpoint_pore(Tolk& t, const char*) {
    using namespace pore;
    using skann::tom;
    char* const* f = t.felt;
    if (tom(f[Navn]) || tom(f[Nord]) || tom(f[Ost]) || tom(f[Dybde])) return;
    double kvalitet = skann::tall(f[Kvalitet]);
    if (!(kvalitet == 0 || kvalitet > 20)) return;
    double nord = skann::tall(f[Nord]) / kMeterPerNm;
    double ost = skann::tall(f[Ost]) / kMeterPerNm;
    double dybde = skann::tall(f[Dybde]);
    double peiling = givinkel(ost, nord);
    double avstand = std::sqrt(nord * nord + ost * ost);
    skriv(t, "%ld HPR %s,%.4f,%.1f,%.1f\n", static_cast<long>(t.nasekund), f[Navn], -avstand,
          peiling, dybde);
}

void dekod_ROV(Tolk& t, const char* linje) {
    // "D%fC%fA%fO"; the sensor writes "--.-" for an altitude it has not got.
    float dybde = 0, heading = 0, hoyde = 0;
    skann::Leser l(linje);
    int lest = 0;
    if (l.bokstav('D') && l.tall(dybde)) ++lest;
    if (lest == 1 && l.bokstav('C') && l.tall(heading)) ++lest;
    if (lest == 2 && l.bokstav('A') && l.tall(hoyde)) ++lest;
    if (lest == 3) {
        skriv(t, "%ld ROV depth %.2f heading %.0f elevation %.2f\n", static_cast<long>(t.nasekund),
              static_cast<double>(dybde), static_cast<double>(heading), static_cast<double>(hoyde));
        t.gAlti.store(hoyde, std::memory_order_relaxed);
    } else if (lest == 2) {
        skriv(t, "%ld ROV depth %.2f heading %.0f elevation 0.0\n", static_cast<long>(t.nasekund),
              static_cast<double>(dybde), static_cast<double>(heading));
        t.gAlti.store(0.0, std::memory_order_relaxed);
    } else {
        return;
    }
    t.gDepth.store(dybde, std::memory_order_relaxed);
    t.gHeadingROV.store(til_int32(heading), std::memory_order_relaxed);
    t.tidDybde.store(settetid(t), std::memory_order_relaxed);
}

} // namespace decoder
