#include "decoder/utskrift.h"

#include "decoder/tolk.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>

namespace decoder {

void Linje::tom() {
    if (n_) std::fwrite(buf_, 1, n_, t_.ut);
    n_ = 0;
}

void Linje::legg(std::string_view tekst) {
    if (tekst.size() > sizeof buf_ - n_) {
        tom();
        if (tekst.size() > sizeof buf_) {
            std::fwrite(tekst.data(), 1, tekst.size(), t_.ut);
            return;
        }
    }
    std::memcpy(buf_ + n_, tekst.data(), tekst.size());
    n_ += tekst.size();
}

void Linje::legg(long tall) {
    char tekst[24];
    auto [slutt, feil] = std::to_chars(tekst, tekst + sizeof tekst, tall);
    (void)feil; // 24 characters hold every long
    legg(std::string_view(tekst, static_cast<size_t>(slutt - tekst)));
}

void Linje::legg(Fast f) {
    if (!std::isfinite(f.verdi)) {
        // As printf writes them, sign included ("-nan").
        legg(std::signbit(f.verdi) ? "-" : "");
        legg(std::isnan(f.verdi) ? "nan" : "inf");
        return;
    }
    for (int forsok = 0; forsok < 2; ++forsok) {
        auto [slutt, feil] = std::to_chars(buf_ + n_, buf_ + sizeof buf_, f.verdi,
                                           std::chars_format::fixed, f.desimaler);
        if (feil == std::errc()) {
            n_ = static_cast<size_t>(slutt - buf_);
            return;
        }
        tom(); // a whole buffer holds any double with the few decimals used
    }
}

void Linje::skriv() { tom(); }

} // namespace decoder
