#include "decoder/decoders.h"

#include "decoder/runtime.h"
#include "decoder/state.h"

namespace decoder {

void dekod_ttm(const char* tekst) {
    // Not decoded yet: the key reaches this and the sentence is dropped.
    (void)tekst;
}

void dekod_tll(const char* tekst) {
    // Not decoded yet: the key reaches this and the sentence is dropped.
    (void)tekst;
}

void dekod_wpl(const char* tekst) {
    // Not decoded yet: the key reaches this and the sentence is dropped.
    (void)tekst;
}

void dekod_dvcam(const char* tekst) {
    // Not decoded yet: the key reaches this and the sentence is dropped.
    (void)tekst;
}

void dekod_ais(const char* tekst) {
    // AIS is passed on as text; the checksum tail is already gone.
    skriv("%ld AIS %s\n", static_cast<long>(nasekund), tekst);
}

} // namespace decoder
