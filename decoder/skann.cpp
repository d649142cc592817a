#include "decoder/skann.h"

#include <charconv>
#include <cstdlib>

namespace decoder::skann {

namespace {
bool blank(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }
bool siffer(char c) { return c >= '0' && c <= '9'; }

// strtod, with std::from_chars first for the plain decimals that nearly
// every field holds ("5954.1234", "-12.5"): strtod was a tenth of a replay's
// time. Both round correctly and stop at the same character; anything else
// (blanks, "+", hex, inf, nan, out of range) goes to strtod as before.
double strtod_rask(const char* s, const char** slutt) {
    const char* p = *s == '-' ? s + 1 : s;
    if (siffer(p[0]) && !(p[0] == '0' && (p[1] == 'x' || p[1] == 'X'))) {
        const char* e = p;
        while (siffer(*e) || *e == '.' || *e == 'e' || *e == 'E' || *e == '+' || *e == '-') ++e;
        double v;
        auto [ende, feil] = std::from_chars(s, e, v);
        if (feil == std::errc()) {
            *slutt = ende;
            return v;
        }
    }
    char* ende = nullptr;
    double v = std::strtod(s, &ende);
    *slutt = ende;
    return v;
}

// Copies the run [fra, til) into buf, cut to what fits.
void kopier(const char* fra, const char* til, char* buf, size_t n) {
    if (n == 0) return;
    size_t i = 0;
    for (; fra + i < til && i + 1 < n; ++i) buf[i] = fra[i];
    buf[i] = '\0';
}
} // namespace

bool tom(const char* s) { return !s || !*s; }

bool siffer_forst(const char* s) { return s && siffer(s[0]); }

double tall(const char* s) {
    double v = 0.0;
    return tall_forst(s, v) ? v : 0.0;
}

bool tall_forst(const char* s, double& v) {
    if (!s) return false;
    const char* slutt = nullptr;
    double x = strtod_rask(s, &slutt);
    if (slutt == s) return false;
    v = x; // out of range gives +-HUGE_VAL or a denormal, never undefined
    return true;
}

bool Leser::tall(double& v) {
    const char* slutt = nullptr;
    double x = strtod_rask(p_, &slutt);
    if (slutt == p_) return false;
    v = x;
    p_ = slutt;
    return true;
}

bool Leser::tall(float& v) {
    // strtof itself rounds to float, so no double-to-float conversion can
    // fall outside the float range.
    char* slutt = nullptr;
    float x = std::strtof(p_, &slutt);
    if (slutt == p_) return false;
    v = x;
    p_ = slutt;
    return true;
}

bool Leser::heltall(int32_t& v) {
    const char* q = p_;
    while (blank(*q)) ++q;
    bool neg = false;
    if (*q == '+' || *q == '-') neg = *q++ == '-';
    if (!siffer(*q)) return false;
    int64_t x = 0;
    for (; siffer(*q); ++q)
        if (x <= INT32_MAX) x = x * 10 + (*q - '0');
    if (neg) x = -x;
    v = x > INT32_MAX ? INT32_MAX : x < INT32_MIN ? INT32_MIN : static_cast<int32_t>(x);
    p_ = q;
    return true;
}

bool Leser::tegn(char& c) {
    if (!*p_) return false;
    c = *p_++;
    return true;
}

bool Leser::bokstav(char c) {
    if (*p_ != c || c == '\0') return false;
    ++p_;
    return true;
}

bool Leser::bokstaver(const char* s) {
    const char* q = p_;
    for (; *s; ++s, ++q)
        if (*q != *s) return false;
    p_ = q;
    return true;
}

void Leser::blanke() {
    while (blank(*p_)) ++p_;
}

bool Leser::til_komma(char* buf, size_t n) {
    const char* q = p_;
    while (*q && *q != ',') ++q;
    if (q == p_) return false;
    kopier(p_, q, buf, n);
    p_ = q;
    return true;
}

bool Leser::ord(char* buf, size_t n) {
    blanke();
    const char* q = p_;
    while (*q && !blank(*q)) ++q;
    if (q == p_) return false;
    kopier(p_, q, buf, n);
    p_ = q;
    return true;
}

} // namespace decoder::skann
