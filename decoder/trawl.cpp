#include "decoder/decoders.h"

namespace decoder {

void dekod_smdbs(const char* tekst) {
    // Not decoded yet: the key reaches this and the sentence is dropped.
    (void)tekst;
}

void dekod_smtds(const char* tekst) {
    // Not decoded yet: the key reaches this and the sentence is dropped.
    (void)tekst;
}

void dekod_smhfb(const char* tekst) {
    // Not decoded yet: the key reaches this and the sentence is dropped.
    (void)tekst;
}

void dekod_smtfi(const char* tekst) {
    // Not decoded yet: the key reaches this and the sentence is dropped.
    (void)tekst;
}

void dekod_smcl1(const char* tekst) {
    // Not decoded yet: the key reaches this and the sentence is dropped.
    (void)tekst;
}

void dekod_smmtw(const char* tekst) {
    // Not decoded yet: the key reaches this and the sentence is dropped.
    (void)tekst;
}

void dekod_ma(const char* tekst) {
    // Not decoded yet: the key reaches this and the sentence is dropped.
    (void)tekst;
}

void dekod_itispread(int nr, const char* tekst) {
    // Not decoded yet: the key reaches this and the sentence is dropped.
    (void)nr;
    (void)tekst;
}

void dekod_itidybde(const char* tekst) {
    // Not decoded yet: the key reaches this and the sentence is dropped.
    (void)tekst;
}

void dekod_iticatch(const char* tekst) {
    // Not decoded yet: the key reaches this and the sentence is dropped.
    (void)tekst;
}

void dekod_itihoyde(int nr, const char* tekst) {
    // Not decoded yet: the key reaches this and the sentence is dropped.
    (void)nr;
    (void)tekst;
}

void dekod_ititemp(const char* tekst) {
    // Not decoded yet: the key reaches this and the sentence is dropped.
    (void)tekst;
}

void dekod_itimiddelvekt(const char* tekst) {
    // Not decoded yet: the key reaches this and the sentence is dropped.
    (void)tekst;
}

void dekod_geonet_ptsal(const char* tekst) {
    // Not decoded yet: the key reaches this and the sentence is dropped.
    (void)tekst;
}

} // namespace decoder
