#include "decoder/linjer.h"
#include "decoder/runtime.h"
#include "decoder/state.h"
#include "decoder/tekst.h"
#include "decoder/tolkar.h"

#include <cmath>
#include <cstdio>
#include <sys/stat.h>

namespace decoder {

namespace {
constexpr double kMaksDybdekorr = 1000.0; // metres, either way

// Modification time of "Skipsdata" when it was last read; 0 reads it the first time.
int32_t skipsdata_tid = 0;
const bool registrert = registrer_nullstiller([] { skipsdata_tid = 0; });

bool finnes(const char* navn, struct stat* st) { return ::stat(navn, st) == 0; }
} // namespace

void les_skipsdata() {
    (void)registrert;
    struct stat st{};
    utensjekksum = finnes("utensjekksum", &st) ? 1 : 0;
    if (utensjekksum) skrivfeil("tolkar: Uten sjekksum\n");
    alltidgps = finnes("alltidgps", &st) ? 1 : 0;
    if (alltidgps) skrivfeil("tolkar: Godtar hoppende GPS\n");

    if (!finnes("Skipsdata", &st)) return;
    auto tid = static_cast<int32_t>(st.st_mtime);
    if (tid == skipsdata_tid) return;
    skipsdata_tid = tid;
    if (!S_ISREG(st.st_mode)) {
        // A pipe would hang the start, a device never end.
        skrivfeil("tolkar: 'Skipsdata' er ikke en vanlig fil, leses ikke\n");
        return;
    }
    FILE* fp = apne_bryterfil("Skipsdata");
    if (!fp) {
        skrivfeil("tolkar: 'Skipsdata' kan ikke leses\n");
        return;
    }
    char linje[kLinjelengde];
    bool cr = false;
    while (talinje(linje, fp, cr) >= 0) {
        double v;
        if (std::sscanf(linje, "Ekko dybde %lf", &v) != 1) continue;
        if (!(std::fabs(v) <= kMaksDybdekorr)) {
            // One such value would spoil, or remove, every depth.
            skrivfeil("tolkar: Dybdekorr %g avvist, beholder %g\n", v, dybdekorr);
            continue;
        }
        if (v == dybdekorr) continue;
        dybdekorr = v;
        skrivfeil("tolkar: Dybdekorr %g\n", v);
    }
    std::fclose(fp);
}

} // namespace decoder
