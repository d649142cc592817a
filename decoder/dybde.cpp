#include "decoder/decoders.h"

namespace decoder {

void dekod_dpt(const char* tekst) {
    // Not decoded yet: the key reaches this and the sentence is dropped.
    (void)tekst;
}

void dekod_fotmeterfavn(const char* tekst, int fotfelt, int favnfelt) {
    // Not decoded yet: the key reaches this and the sentence is dropped.
    (void)tekst;
    (void)fotfelt;
    (void)favnfelt;
}

void dekod_mtw(const char* tekst) {
    // Not decoded yet: the key reaches this and the sentence is dropped.
    (void)tekst;
}

void dekod_seascan(const char* tekst) {
    // Not decoded yet: the key reaches this and the sentence is dropped.
    (void)tekst;
}

void dekod_es60(const char* tekst) {
    // Not decoded yet: the key reaches this and the sentence is dropped.
    (void)tekst;
}

void dekod_roxann(const char* linje) {
    // Not decoded yet: the key reaches this and the sentence is dropped.
    (void)linje;
}

void dekod_tritechPA500(const char* linje) {
    // Not decoded yet: the key reaches this and the sentence is dropped.
    (void)linje;
}

void dekod_dbs(const char* tekst) { dekod_fotmeterfavn(tekst, 0, 3); }
void dekod_dbt(const char* tekst) { dekod_fotmeterfavn(tekst, 1, 0); }

} // namespace decoder
