// Heading and attitude: gyro and satellite compasses, attitude sensors.
#include "decoder/heading.h"

#include "decoder/decoders.h"
#include "decoder/felter.h"
#include "decoder/geodesi.h"
#include "decoder/overlegg.h"
#include "decoder/runtime.h"
#include "decoder/skann.h"
#include "decoder/tekst.h"
#include "decoder/tolk.h"
#include "decoder/utskrift.h"

#include <cfloat>
#include <cmath>
#include <cstdlib>

namespace decoder {

namespace {

// gHeadingBoat is a float: a value beyond its range cannot be converted,
// and NaN or infinity would reach the compass and the head-up bearings.
bool brukbar(double h) { return std::isfinite(h) && std::fabs(h) <= FLT_MAX; }

// A compass sends several headings a second; log changes at once and a
// steady heading every 3 seconds.
void logg_heading(Tolk& t, Tolk::Sistlogget& s, const char* ord, double h) {
    if (std::fabs(h - s.heading) > 0.3 || std::llabs(int64_t{t.nasekund} - s.tid) > 2) {
        logg(t, t.nasekund, ' ', ord, ' ', fast(h, 1), '\n');
        s.heading = h;
        s.tid = t.nasekund;
    }
}

void attitude(Tolk& t, const char* a, const char* b, const char* c) {
    skriv(t, "%ld Attitude %s,%s,%s\n", static_cast<long>(t.nasekund), a, b, c);
}

// Heading from a field; false when it is not usable.
bool felt_heading(const char* f, double& h) {
    h = skann::tall(f);
    return brukbar(h);
}

// Heading from the number the text begins with (HDT, OSD): what follows it
// is not looked at.
void ledende_heading(Tolk& t, const char* tekst) {
    double h;
    if (skann::tall_forst(tekst, h) && brukbar(h)) kringkastheading(t, h);
}

} // namespace

void kringkastheading(Tolk& t, double h) {
    if (!brukbar(h)) return;
    t.sistehprheading = h;
    float f = static_cast<float>(h);
    t.gHeadingBoat.store(static_cast<float>(normalvinkel(f)), std::memory_order_relaxed);
    t.tidHeading.store(settetid(t), std::memory_order_relaxed);
    logg_heading(t, t.sann, "Heading", h);
}

void kringkastmagnetisk(Tolk& t, double h) {
    if (!brukbar(h)) return;
    logg_heading(t, t.magnetisk, "Magnetisk", h);
}

void dekod_hdt(Tolk& t, const char* tekst) { ledende_heading(t, tekst); }

void dekod_osd(Tolk& t, const char* tekst) { ledende_heading(t, tekst); }

void dekod_ths(Tolk& t, const char*) {
    using namespace ths;
    double h;
    // Only a gyro's own heading, measured or dead-reckoned: a manual or
    // simulated one is not the vessel's, and V says it is not valid.
    if (skann::tom(t.felt[Heading]) || !(strlik(t.felt[Status], "A") || strlik(t.felt[Status], "E")) ||
        !felt_heading(t.felt[Heading], h))
        return;
    kringkastheading(t, h);
}

void dekod_hdm(Tolk& t, const char*) {
    using namespace hdm;
    double h;
    if (skann::tom(t.felt[Heading]) || !strlik(t.felt[Referanse], "M") ||
        !felt_heading(t.felt[Heading], h))
        return;
    kringkastmagnetisk(t, h);
}

void dekod_hdg(Tolk& t, const char*) {
    double h;
    if (skann::tom(t.felt[hdg::Heading]) || !felt_heading(t.felt[hdg::Heading], h)) return;
    kringkastmagnetisk(t, h);
}

void dekod_imsns(Tolk& t, const char*) {
    using namespace psimsns;
    char* const* f = t.felt;
    double h;
    if (skann::tom(f[Heading]) || !felt_heading(f[Heading], h)) return;
    kringkastheading(t, h);
    if (!skann::tom(f[Vinkel2]) && !skann::tom(f[Vinkel1])) attitude(t, f[Heading], f[Vinkel1], f[Vinkel2]);
}

void dekod_att(Tolk& t, const char*) {
    using namespace gpatt;
    char* const* f = t.felt;
    double h;
    if (skann::tom(f[Heading]) || !felt_heading(f[Heading], h)) return;
    kringkastheading(t, h);
    attitude(t, f[Heading], f[Vinkel1], f[Vinkel2]);
}

void dekod_pjrcd_att(Tolk& t, const char*) {
    using namespace gpatt;
    char* const* f = t.felt;
    double h;
    // No field is tested for emptiness: an empty heading reads as 0.
    if (!felt_heading(f[Heading], h)) return;
    kringkastheading(t, h);
    attitude(t, f[Heading], f[Vinkel1], f[Vinkel2]);
}

void dekod_thales_att(Tolk& t, const char*) {
    using namespace hrp;
    char* const* f = t.felt;
    double h;
    if (skann::tom(f[Heading]) || !strlik(f[Referanse], "T") || !felt_heading(f[Heading], h)) return;
    kringkastheading(t, h);
    if (!skann::tom(f[Vinkel1]) && !skann::tom(f[Vinkel2])) attitude(t, f[Heading], f[Vinkel1], f[Vinkel2]);
}

} // namespace decoder
