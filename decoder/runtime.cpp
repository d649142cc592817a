#include "decoder/runtime.h"

#include "decoder/tolk.h"

#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace decoder {

namespace {
[[noreturn]] void vfatal(Tolk& t, int status, const char* fmt, va_list ap) {
    char tekst[2048];
    std::vsnprintf(tekst, sizeof tekst, fmt, ap);
    size_t n = std::strlen(tekst);
    std::fputs(tekst, t.feil);
    if (n == 0 || tekst[n - 1] != '\n') std::fputc('\n', t.feil);
    std::snprintf(t.feilmelding, sizeof t.feilmelding, "%.*s",
                  static_cast<int>(n > 0 && tekst[n - 1] == '\n' ? n - 1 : n), tekst);
    std::fflush(t.feil);
    std::fflush(t.ut);
    t.avslutt(status);
    std::abort();
}
} // namespace

void avslutt_status(Tolk& t, int status) {
    std::fflush(t.ut);
    std::fflush(t.feil);
    t.avslutt(status);
    std::abort();
}

void fatal_status(Tolk& t, int status, const char* fmt, ...) {
    va_list ap;
    va_start(ap, fmt);
    vfatal(t, status, fmt, ap);
}

void fatal(Tolk& t, const char* fmt, ...) {
    va_list ap;
    va_start(ap, fmt);
    vfatal(t, kFeilstatus, fmt, ap);
}

void skriv(Tolk& t, const char* fmt, ...) {
    va_list ap;
    va_start(ap, fmt);
    std::vfprintf(t.ut, fmt, ap);
    va_end(ap);
}

void skrivfeil(Tolk& t, const char* fmt, ...) {
    va_list ap;
    va_start(ap, fmt);
    std::vfprintf(t.feil, fmt, ap);
    va_end(ap);
}

CLokale::CLokale()
    : c_(::newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr))),
      forrige_(c_ ? ::uselocale(c_) : static_cast<locale_t>(nullptr)) {}

CLokale::~CLokale() {
    if (!c_) return;
    ::uselocale(forrige_);
    ::freelocale(c_);
}

int32_t til_int32(double v) {
    if (std::isnan(v)) return 0;
    if (v >= 2147483647.0) return INT32_MAX;
    if (v <= -2147483648.0) return INT32_MIN;
    return static_cast<int32_t>(v);
}

int32_t klem(int64_t v) {
    if (v > INT32_MAX) return INT32_MAX;
    if (v < INT32_MIN) return INT32_MIN;
    return static_cast<int32_t>(v);
}

int32_t les_heltall(const char* s) {
    if (!s) return 0;
    errno = 0;
    long v = std::strtol(s, nullptr, 10);
    if (v > INT32_MAX) return INT32_MAX;
    if (v < INT32_MIN) return INT32_MIN;
    return static_cast<int32_t>(v);
}

bool les_helt_tall(const char* s, int32_t& v) {
    if (!s) return false;
    char* slutt = nullptr;
    std::strtol(s, &slutt, 10);
    if (slutt == s) return false;
    while (*slutt == ' ' || *slutt == '\t') ++slutt;
    if (*slutt != '\0') return false;
    v = les_heltall(s);
    return true;
}

} // namespace decoder
