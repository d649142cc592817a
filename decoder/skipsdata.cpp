#include "decoder/linjer.h"
#include "decoder/runtime.h"
#include "decoder/tekst.h"
#include "decoder/tolk.h"
#include "decoder/tolkar.h"

#include <cmath>
#include <cstdio>
#include <sys/stat.h>

namespace decoder {

namespace {
constexpr double kMaksDybdekorr = 1000.0; // metres, either way

bool finnes(const char* navn, struct stat* st) { return ::stat(navn, st) == 0; }
} // namespace

void les_skipsdata(Tolk& t) {
    struct stat st{};
    t.utensjekksum = finnes("utensjekksum", &st) ? 1 : 0;
    if (t.utensjekksum) skrivfeil(t, "tolkar: Uten sjekksum\n");
    t.alltidgps = finnes("alltidgps", &st) ? 1 : 0;
    if (t.alltidgps) skrivfeil(t, "tolkar: Godtar hoppende GPS\n");

    if (!finnes("Skipsdata", &st)) return;
    auto tid = static_cast<int32_t>(st.st_mtime);
    if (tid == t.skipsdata_tid) return;
    t.skipsdata_tid = tid;
    if (!S_ISREG(st.st_mode)) {
        // A pipe would hang the start, a device never end.
        skrivfeil(t, "tolkar: 'Skipsdata' er ikke en vanlig fil, leses ikke\n");
        return;
    }
    FILE* fp = apne_bryterfil(t, "Skipsdata");
    if (!fp) {
        skrivfeil(t, "tolkar: 'Skipsdata' kan ikke leses\n");
        return;
    }
    char linje[kLinjelengde];
    bool cr = false;
    while (talinje(t, linje, fp, cr) >= 0) {
        double v;
        if (std::sscanf(linje, "Ekko dybde %lf", &v) != 1) continue;
        if (!(std::fabs(v) <= kMaksDybdekorr)) {
            // One such value would spoil, or remove, every depth.
            skrivfeil(t, "tolkar: Dybdekorr %g avvist, beholder %g\n", v, t.dybdekorr);
            continue;
        }
        if (v == t.dybdekorr) continue;
        t.dybdekorr = v;
        skrivfeil(t, "tolkar: Dybdekorr %g\n", v);
    }
    std::fclose(fp);
}

} // namespace decoder
