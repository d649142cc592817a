#include "decoder/decoders.h"

namespace decoder {

void dekod_imssb(const char* tekst) {
    // Not decoded yet: the key reaches this and the sentence is dropped.
    (void)tekst;
}

void dekod_HPR300P(const char* linje) {
    // Not decoded yet: the key reaches this and the sentence is dropped.
    (void)linje;
}

void dekod_immds(const char* tekst) {
    // Not decoded yet: the key reaches this and the sentence is dropped.
    (void)tekst;
}

void dekod_iitpt(const char* tekst) {
    // Not decoded yet: the key reaches this and the sentence is dropped.
    (void)tekst;
}

void dekod_trackpoint_pore(const char* tekst) {
    // Not decoded yet: the key reaches this and the sentence is dropped.
    (void)tekst;
}

void dekod_ROV(const char* linje) {
    // Not decoded yet: the key reaches this and the sentence is dropped.
    (void)linje;
}

} // namespace decoder
