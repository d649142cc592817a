#include "decoder/linjer.h"

#include "decoder/runtime.h"
#include "decoder/tekst.h"

namespace decoder {

namespace {
// One reader for streams and memory: neste() gives the next byte or EOF.
template <class Neste>
int les_linje(char* buf, bool& cr, Neste neste) {
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
            skrivfeil("talinje(): Klippet %50s...\n", buf);
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

int talinje(char* buf, FILE* fp, bool& cr) {
    return les_linje(buf, cr, [fp] { return std::getc(fp); });
}

int dellinje(char* buf, const char*& p, const char* slutt, bool& cr) {
    return les_linje(buf, cr, [&p, slutt] {
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
