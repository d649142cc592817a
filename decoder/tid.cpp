#include "decoder/tid.h"

#include "decoder/tolk.h"

namespace decoder {

namespace {
int64_t gulv_del(int64_t a, int64_t b) { return a / b - (a % b != 0 && (a < 0) != (b < 0)); }

// Days from 1970-01-01 to the first of the month in the proleptic Gregorian
// calendar; the month (1 to 12) may run over into other years.
int64_t dager_til_maaned(int64_t aar, int64_t maaned) {
    aar += gulv_del(maaned - 1, 12);
    maaned -= 12 * gulv_del(maaned - 1, 12);
    // Counted from 1 March, so that the leap day ends the year.
    if (maaned <= 2) --aar;
    const int64_t era = gulv_del(aar, 400);
    const int64_t i_era = aar - era * 400;
    const int64_t i_aar = (153 * (maaned > 2 ? maaned - 3 : maaned + 9) + 2) / 5;
    const int64_t dag = i_era * 365 + i_era / 4 - i_era / 100 + i_aar;
    return era * 146097 + dag - 719468;
}
} // namespace

int64_t utc_sekunder(const tm& b) {
    const int64_t dager = dager_til_maaned(int64_t{b.tm_year} + 1900, int64_t{b.tm_mon} + 1) + b.tm_mday - 1;
    return dager * 86400 + int64_t{b.tm_hour} * 3600 + int64_t{b.tm_min} * 60 + b.tm_sec;
}

int64_t fra_normaltid(Tolk& t, const tm& b) {
    const int64_t utc = utc_sekunder(b);
    if (!t.har_normaltid) {
        tm kopi = b;
        kopi.tm_isdst = 0;
        t.normaltid = static_cast<int64_t>(std::mktime(&kopi)) - utc;
        t.har_normaltid = true;
    }
    return utc + t.normaltid;
}

const char* lokal_dato(Tolk& t, int64_t sekund) {
    if (!t.har_stempel || sekund != t.stempelsekund) {
        const time_t naa = static_cast<time_t>(sekund);
        tm lokal{};
        localtime_r(&naa, &lokal);
        if (std::strftime(t.stempeldato, sizeof t.stempeldato, "%y%m%d%H%M%S", &lokal) == 0)
            t.stempeldato[0] = '\0';
        t.stempelsekund = sekund;
        t.har_stempel = true;
    }
    return t.stempeldato;
}

} // namespace decoder
