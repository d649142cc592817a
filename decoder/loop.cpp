#include "decoder/dispatch.h"
#include "decoder/linjer.h"
#include "decoder/replay.h"
#include "decoder/runtime.h"
#include "decoder/state.h"
#include "decoder/stopp.h"
#include "decoder/tekst.h"
#include "decoder/tolkar.h"
#include "decoder/udp.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <sys/stat.h>

namespace decoder {

int32_t replayoffset = 0;

namespace {
const bool registrert = registrer_nullstiller([] { replayoffset = 0; });

void replaytid(const char* linje) {
    replayoffset = replaytid_for(linje, replayoffset);
    nasekund = klem(int64_t{nasekund} + replayoffset);
}

// Finds the sentence: the last "$", else the last "!", followed by two
// characters from "A" to "]".
char* finn_setning(char* linje) {
    auto god = [](const char* p) {
        return p && p[1] >= 0x41 && p[1] <= 0x5D && p[2] >= 0x41 && p[2] <= 0x5D;
    };
    char* p = std::strrchr(linje, '$');
    if (god(p)) return p;
    p = std::strrchr(linje, '!');
    if (god(p)) return p;
    return nullptr;
}

// True when a whole line is already in the stream's buffer, so that reading
// it cannot wait; `cr` as talinje keeps it. Only glibc lets us see the
// buffer; elsewhere every read counts as one that may wait.
bool linje_i_buffer(FILE* inn, bool cr) {
#if defined(__GLIBC__)
    const char* p = inn->_IO_read_ptr;
    return p && hel_linje(p, inn->_IO_read_end, cr);
#else
    (void)inn;
    (void)cr;
    return false;
#endif
}

bool vanlig_fil(FILE* inn) {
    struct stat st{};
    int fd = inn ? fileno(inn) : -1;
    return fd >= 0 && ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
}
} // namespace

void loggtilfil(const char* linje) {
    if (!loggefp) return;
    std::fprintf(loggefp, "%s\n", linje);
    std::fflush(loggefp);
}

Linjeutfall linjesteg(char* linje, int32_t naa, int replay) {
    (void)registrert;
    nasekund = naa;
    loggtilfil(linje);
    if (isBroadcast) send_udp(linje);
    if (isUDPLog) send_udp_log(linje);
    if (replay) replaytid(linje);

    size_t n = 0;
    for (; linje[n]; ++n) linje[n] = static_cast<char>(linje[n] & 0x7F);
    // A byte that was 0x80 is now a terminator.
    n = std::strlen(linje);
    if (n > 0 && linje[n - 1] == '\r') {
        linje[--n] = '\0';
        if (n > 0 && linje[n - 1] == '\r') linje[--n] = '\0';
    }

    bool har_sum = false;
    unsigned char gitt = 0;
    if (n >= 3 && linje[n - 3] == '*') {
        gitt = static_cast<unsigned char>(16 * hexsiffer(linje[n - 2]) + hexsiffer(linje[n - 1]));
        linje[n - 3] = '\0';
        har_sum = true;
    }

    using U = Linjeutfall;
    if (glemt(linje)) return {U::Glemt};
    if (int slag = dekod_ikke_nmea(linje)) return {U::Instrument, slag};

    char* setning = finn_setning(linje);
    if (!setning) return {U::IngenSetning};
    if (glemt(setning)) return {U::Glemt};

    if (har_sum && !utensjekksum) {
        unsigned char sum = 0;
        for (const char* p = setning + 1; *p; ++p) sum ^= static_cast<unsigned char>(*p);
        if (sum != gitt) {
            skrivfeil("tolkar: Sjekksumfeil i '%s': %02X != %02X\n", setning, gitt, sum);
            return {U::Sjekksumfeil};
        }
    }
    const Nokkel* rad = dekod_setning(setning);
    return rad ? U{U::Dekodet, 0, rad} : U{U::Forkastet};
}

void klokkepass(int32_t naa) {
    if (int64_t{naa} - forrsekund > 20 || naa < forrsekund) {
        ant = 0;
        rmctid = klem(int64_t{naa} + 5);
    }
    forrsekund = naa;
}

int tolkar(FILE* inn, FILE* flushes, int replay, int port) {
    forrsekund = 0;
    rmctid = 0;
    les_skipsdata();
    replayoffset = 0;
    // Every log line is out before the loop waits for input, and only then:
    // a flush per line is a write per line, over half of a replay's time.
    // Reading a regular file never waits: it only ends.
    const bool fil = !port && vanlig_fil(inn);
    auto tom_ut = [port, flushes] {
        std::fflush(ut);
        if (!port && flushes) std::fflush(flushes);
    };
    const bool tempo = replay && replaytempo;
    Tempo takt;
    // A paced replay stamps every line with the clock of its start, as a
    // replay read at full speed does: the replay time carries the recording's
    // time, and the wall clock moving on as well would count it twice (and
    // halve every speed).
    const int32_t startklokke = klokke();
    auto stempel = [tempo, startklokke] { return tempo ? startklokke : klokke(); };
    bool cr = false; // the last line read ended in CR
    char buf[kLinjelengde];
    for (;;) {
        if (stopp_bedt()) {
            tom_ut();
            return 0;
        }
        bool kan_vente = port ? !udp_klar() : !fil && !linje_i_buffer(inn, cr);
        if (kan_vente) {
            tom_ut();
            if (!port && !vent_paa_lesbar(fileno(inn))) continue;
        }
        klokkepass(stempel());
        if (port) {
            // Every line of the datagram, in order.
            const char* p = get_udp(port, kan_vente);
            if (!p) continue;
            const char* slutt = p + std::strlen(p);
            bool dcr = false;
            while (dellinje(buf, p, slutt, dcr) >= 0) linjesteg(buf, stempel(), replay);
            continue;
        }
        if (talinje(buf, inn, cr) < 0) {
            const int feilkode = !std::ferror(inn) ? 0 : errno ? errno : EIO;
            tom_ut();
            return feilkode;
        }
        if (tempo) {
            const int32_t tid = replaytid_for(buf, replayoffset);
            for (int64_t t; (t = takt.ventetid(tid)) > 0 && !stopp_bedt();) {
                tom_ut();
                sov(t);
            }
        }
        linjesteg(buf, stempel(), replay);
    }
}

} // namespace decoder
