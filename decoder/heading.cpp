// Heading and attitude: gyro and satellite compasses, attitude sensors.
#include "decoder/heading.h"

#include "decoder/decoders.h"
#include "decoder/geodesi.h"
#include "decoder/runtime.h"
#include "decoder/skann.h"
#include "decoder/state.h"
#include "decoder/tekst.h"

#include <cfloat>
#include <cmath>
#include <cstdlib>

namespace decoder {

namespace {

// Last logged heading of one kind and when it was logged.
struct Sist {
    double heading = -1.0;
    int32_t tid = 0;
};
Sist sann;
Sist magnetisk;

const bool registrert = registrer_nullstiller([] {
    sann = Sist{};
    magnetisk = Sist{};
});

// gHeadingBoat is a float: a value beyond its range cannot be converted,
// and NaN or infinity would reach the compass and the head-up bearings.
bool brukbar(double h) { return std::isfinite(h) && std::fabs(h) <= FLT_MAX; }

// A compass sends several headings a second; log changes at once and a
// steady heading every 3 seconds.
void logg(Sist& s, const char* ord, double h) {
    if (std::fabs(h - s.heading) > 0.3 || std::llabs(int64_t{nasekund} - s.tid) > 2) {
        skriv("%ld %s %.1f\n", static_cast<long>(nasekund), ord, h);
        s.heading = h;
        s.tid = nasekund;
    }
}

void attitude(const char* a, const char* b, const char* c) {
    skriv("%ld Attitude %s,%s,%s\n", static_cast<long>(nasekund), a, b, c);
}

// Heading from a field; false when it is not usable.
bool felt_heading(const char* f, double& h) {
    h = skann::tall(f);
    return brukbar(h);
}

// Heading from the number the text begins with (HDT, OSD): what follows it
// is not looked at.
void ledende_heading(const char* tekst) {
    double h;
    if (skann::tall_forst(tekst, h) && brukbar(h)) kringkastheading(h);
}

} // namespace

void kringkastheading(double h) {
    (void)registrert;
    if (!brukbar(h)) return;
    sistehprheading = h;
    float f = static_cast<float>(h);
    gHeadingBoat.store(static_cast<float>(normalvinkel(f)), std::memory_order_relaxed);
    logg(sann, "Heading", h);
}

void kringkastmagnetisk(double h) {
    if (!brukbar(h)) return;
    logg(magnetisk, "Magnetisk", h);
}

void dekod_hdt(const char* tekst) { ledende_heading(tekst); }

void dekod_osd(const char* tekst) { ledende_heading(tekst); }

void dekod_hdm(const char* tekst) {
    int n = splittfelt(tekst);
    double h;
    if (n < 2 || skann::tom(felt[0]) || !strlik(felt[1], "M") || !felt_heading(felt[0], h)) return;
    kringkastmagnetisk(h);
}

void dekod_hdg(const char* tekst) {
    int n = splittfelt(tekst);
    double h;
    if (n < 1 || skann::tom(felt[0]) || !felt_heading(felt[0], h)) return;
    kringkastmagnetisk(h);
}

void dekod_imsns(const char* tekst) {
    int n = splittfelt(tekst);
    double h;
    if (n < 8 || skann::tom(felt[7]) || !felt_heading(felt[7], h)) return;
    kringkastheading(h);
    if (!skann::tom(felt[4]) && !skann::tom(felt[5])) attitude(felt[7], felt[5], felt[4]);
}

void dekod_att(const char* tekst) {
    int n = splittfelt(tekst);
    double h;
    if (n < 3 || skann::tom(felt[0]) || !felt_heading(felt[0], h)) return;
    kringkastheading(h);
    attitude(felt[0], felt[1], felt[2]);
}

void dekod_pjrcd_att(const char* tekst) {
    int n = splittfelt(tekst);
    double h;
    // No field is tested for emptiness: an empty heading reads as 0.
    if (n < 3 || !felt_heading(felt[0], h)) return;
    kringkastheading(h);
    attitude(felt[0], felt[1], felt[2]);
}

void dekod_thales_att(const char* tekst) {
    int n = splittfelt(tekst);
    double h;
    if (n < 5 || skann::tom(felt[1]) || !strlik(felt[2], "T") || !felt_heading(felt[1], h)) return;
    kringkastheading(h);
    if (!skann::tom(felt[3]) && !skann::tom(felt[4])) attitude(felt[1], felt[3], felt[4]);
}

} // namespace decoder
