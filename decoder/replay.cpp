#include "decoder/replay.h"

#include "decoder/state.h"
#include "decoder/stopp.h"

#include <ctime>

namespace decoder {

bool replaytempo = false;

int64_t monotonmikroklokke() {
    timespec t{};
    ::clock_gettime(CLOCK_MONOTONIC, &t);
    return static_cast<int64_t>(t.tv_sec) * 1000000 + t.tv_nsec / 1000;
}

Mikroklokke tempoklokke = monotonmikroklokke;
Sovn sov = vent_med_stopp;

namespace {
const bool registrert = registrer_nullstiller([] { replaytempo = false; });

bool siffer(char c) { return c >= '0' && c <= '9'; }
bool blank(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

// One "%d" of formatted input: blanks, a sign, digits. Saturates well past
// the 32-bit range, so that hours * 3600 cannot overflow either. Returns
// false when there are no digits.
bool les_tall(const char*& p, int64_t& v) {
    const char* q = p;
    while (blank(*q)) ++q;
    bool neg = false;
    if (*q == '+' || *q == '-') neg = *q++ == '-';
    if (!siffer(*q)) return false;
    int64_t x = 0;
    while (siffer(*q)) {
        if (x < 1000000000000) x = x * 10 + (*q - '0');
        ++q;
    }
    v = neg ? -x : x;
    p = q;
    return true;
}

// "%d:%d:%d" at the start of the line.
bool les_klokkeslett(const char* linje, int64_t& sekunder) {
    const char* p = linje;
    int64_t t, m, s;
    if (!les_tall(p, t) || *p++ != ':') return false;
    if (!les_tall(p, m) || *p++ != ':') return false;
    if (!les_tall(p, s)) return false;
    sekunder = t * 3600 + m * 60 + s;
    return true;
}
} // namespace

int32_t replaytid_for(const char* linje, int32_t forrige) {
    (void)registrert;
    int64_t sek = 0;
    if (les_klokkeslett(linje, sek)) return klem(sek);
    if (siffer(linje[0])) {
        const char* p = linje;
        les_tall(p, sek);
        return klem(sek);
    }
    return klem(int64_t{forrige} + 1);
}

int64_t Tempo::ventetid(int32_t tid) {
    const int64_t naa = tempoklokke();
    if (!startet_ || tid < forrige_) {
        startet_ = true;
        start_ = naa;
        starttid_ = tid;
    }
    forrige_ = tid;
    const int64_t frist = start_ + (int64_t{tid} - starttid_) * 1000000;
    return frist > naa ? frist - naa : 0;
}

} // namespace decoder
