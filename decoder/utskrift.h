// Log lines put together in a buffer and written with one call, in the bytes
// printf gives for "%ld", "%d", "%s", a character and "%.Nf" ("%lf" is
// "%.6f"): the lines a busy input writes most, at a fraction of printf's
// cost (its floating-point formatting was a quarter of a replay's time).
#pragma once

#include <cstddef>
#include <string_view>

namespace decoder {

class Tolk;

// A number as "%.Nf" writes it.
struct Fast {
    double verdi;
    int desimaler;
};
inline Fast fast(double verdi, int desimaler) { return {verdi, desimaler}; }

class Linje {
public:
    explicit Linje(Tolk& t) : t_(t) {}
    Linje(const Linje&) = delete;
    Linje& operator=(const Linje&) = delete;

    void legg(std::string_view tekst);
    void legg(const char* tekst) { legg(std::string_view(tekst)); }
    void legg(char c) { legg(std::string_view(&c, 1)); }
    void legg(long tall);
    void legg(int tall) { legg(static_cast<long>(tall)); }
    void legg(Fast f);
    // Writes the line on the decoder's log stream.
    void skriv();

private:
    void tom();

    Tolk& t_;
    char buf_[512];
    size_t n_ = 0;
};

// One log line of the pieces, in order.
template <class... Deler>
void logg(Tolk& t, const Deler&... deler) {
    Linje l(t);
    (l.legg(deler), ...);
    l.skriv();
}

} // namespace decoder
