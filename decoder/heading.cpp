#include "decoder/decoders.h"

namespace decoder {

void dekod_hdt(const char* tekst) {
    // Not decoded yet: the key reaches this and the sentence is dropped.
    (void)tekst;
}

void dekod_osd(const char* tekst) {
    // Not decoded yet: the key reaches this and the sentence is dropped.
    (void)tekst;
}

void dekod_hdm(const char* tekst) {
    // Not decoded yet: the key reaches this and the sentence is dropped.
    (void)tekst;
}

void dekod_hdg(const char* tekst) {
    // Not decoded yet: the key reaches this and the sentence is dropped.
    (void)tekst;
}

void dekod_imsns(const char* tekst) {
    // Not decoded yet: the key reaches this and the sentence is dropped.
    (void)tekst;
}

void dekod_att(const char* tekst) {
    // Not decoded yet: the key reaches this and the sentence is dropped.
    (void)tekst;
}

void dekod_pjrcd_att(const char* tekst) {
    // Not decoded yet: the key reaches this and the sentence is dropped.
    (void)tekst;
}

void dekod_thales_att(const char* tekst) {
    // Not decoded yet: the key reaches this and the sentence is dropped.
    (void)tekst;
}

} // namespace decoder
