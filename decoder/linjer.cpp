#include "decoder/linjer.h"

#include "decoder/runtime.h"
#include "decoder/tolk.h"

namespace decoder {

namespace {
// One reader for streams and memory: neste() gives the next byte or EOF.
template <class Neste>
int les_linje(Tolk& t, char* buf, bool& cr, Neste neste) {
    int c = neste();
    if (cr) {
        while (c == '\r') c = neste();
        if (c == '\n') c = neste();
    }
    cr = false;
    int n = 0;
    bool klippet = false;
    for (; c != EOF; c = neste()) {
        if (c == '\n') break;
        if (n < kLinjelengde - 1) {
            buf[n++] = static_cast<char>(c);
        } else if (!klippet) {
            klippet = true;
            buf[n] = '\0';
            skrivfeil(t, "talinje(): Klippet %50s...\n", buf);
        }
        if (c == '\r') {
            cr = true;
            break;
        }
    }
    while (n > 0 && buf[n - 1] == ' ') --n;
    buf[n] = '\0';
    if (n == 0 && c == EOF) return -1;
    return n;
}
} // namespace

int talinje(Tolk& t, char* buf, FILE* fp, bool& cr) {
    // Unlocked: only this decoder reads the stream, and a lock per byte was
    // a tenth of a replay's time.
    return les_linje(t, buf, cr, [fp] { return getc_unlocked(fp); });
}

int dellinje(Tolk& t, char* buf, const char*& p, const char* slutt, bool& cr) {
    return les_linje(t, buf, cr, [&p, slutt] {
        return p < slutt ? static_cast<unsigned char>(*p++) : EOF;
    });
}

bool hel_linje(const char* p, const char* slutt, bool cr) {
    if (cr) {
        while (p < slutt && *p == '\r') ++p;
        if (p < slutt && *p == '\n') ++p;
    }
    for (; p < slutt; ++p)
        if (*p == '\n' || *p == '\r') return true;
    return false;
}

} // namespace decoder
