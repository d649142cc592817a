#include "decoder/runtime.h"

#include "decoder/state.h"

#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdarg>
#include <cstdlib>
#include <cstring>
#include <sys/time.h>
#include <ctime>

namespace decoder {

FILE* ut = stdout;
FILE* feil = stderr;

int32_t systemklokke() { return static_cast<int32_t>(std::time(nullptr)); }

int64_t systemmikroklokke() {
    timeval tv{};
    gettimeofday(&tv, nullptr);
    return static_cast<int64_t>(tv.tv_sec) * 1000000 + tv.tv_usec;
}

Sekundklokke klokke = systemklokke;
Mikroklokke mikroklokke = systemmikroklokke;

namespace {
char feilmelding[512] = "";

void avslutt_prosess(int status) {
    std::fflush(stdout);
    std::exit(status);
}

[[noreturn]] void vfatal(int status, const char* fmt, va_list ap) {
    char tekst[2048];
    std::vsnprintf(tekst, sizeof tekst, fmt, ap);
    size_t n = std::strlen(tekst);
    std::fputs(tekst, feil);
    if (n == 0 || tekst[n - 1] != '\n') std::fputc('\n', feil);
    std::snprintf(feilmelding, sizeof feilmelding, "%.*s",
                  static_cast<int>(n > 0 && tekst[n - 1] == '\n' ? n - 1 : n), tekst);
    std::fflush(feil);
    std::fflush(ut);
    avslutt(status);
    std::abort();
}
} // namespace

Avslutter avslutt = avslutt_prosess;

void glem_feilmelding() { feilmelding[0] = '\0'; }
namespace {
const bool registrert = registrer_nullstiller(glem_feilmelding);
}
const char* siste_feilmelding() {
    (void)registrert;
    return feilmelding;
}

void avslutt_status(int status) {
    std::fflush(ut);
    std::fflush(feil);
    avslutt(status);
    std::abort();
}

void fatal_status(int status, const char* fmt, ...) {
    va_list ap;
    va_start(ap, fmt);
    vfatal(status, fmt, ap);
}

void fatal(const char* fmt, ...) {
    va_list ap;
    va_start(ap, fmt);
    vfatal(kFeilstatus, fmt, ap);
}

void skriv(const char* fmt, ...) {
    va_list ap;
    va_start(ap, fmt);
    std::vfprintf(ut, fmt, ap);
    va_end(ap);
}

void skrivfeil(const char* fmt, ...) {
    va_list ap;
    va_start(ap, fmt);
    std::vfprintf(feil, fmt, ap);
    va_end(ap);
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
