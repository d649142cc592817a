#include "decoder/dispatch.h"
#include "decoder/linjer.h"
#include "decoder/overlegg.h"
#include "decoder/replay.h"
#include "decoder/runtime.h"
#include "decoder/sjekksum.h"
#include "decoder/tekst.h"
#include "decoder/tolk.h"
#include "decoder/tolkar.h"
#include "decoder/udp.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <sys/stat.h>

namespace decoder {

namespace {
void replaytid(Tolk& t, const char* linje) {
    t.replayoffset = replaytid_for(linje, t.replayoffset);
    t.nasekund = klem(int64_t{t.nasekund} + t.replayoffset);
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

void loggtilfil(Tolk& t, const char* linje) {
    if (!t.loggefp) return;
    std::fprintf(t.loggefp, "%s\n", linje);
    std::fflush(t.loggefp);
}

Linjeutfall linjesteg(Tolk& t, char* linje, int32_t naa, int replay) {
    t.nasekund = naa;
    loggtilfil(t, linje);
    if (t.isBroadcast) send_udp(t, linje);
    if (t.isUDPLog) send_udp_log(t, linje);
    if (replay) replaytid(t, linje);
    still_klokka(t);

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
    if (glemt(t, linje)) return {U::Glemt};
    if (int slag = dekod_ikke_nmea(t, linje)) return {U::Instrument, slag};

    char* setning = finn_setning(linje);
    if (!setning) return {U::IngenSetning};
    if (glemt(t, setning)) return {U::Glemt};

    if (har_sum && !t.utensjekksum) {
        const unsigned char sum = nmea_sum(setning + 1);
        if (sum != gitt) {
            skrivfeil(t, "tolkar: Sjekksumfeil i '%s': %02X != %02X\n", setning, gitt, sum);
            return {U::Sjekksumfeil};
        }
    }
    const Nokkel* rad = dekod_setning(t, setning);
    return rad ? U{U::Dekodet, 0, rad} : U{U::Forkastet};
}

void klokkepass(Tolk& t, int32_t naa) {
    if (int64_t{naa} - t.forrsekund > 20 || naa < t.forrsekund) {
        t.ant = 0;
        t.rmctid = klem(int64_t{naa} + 5);
    }
    t.forrsekund = naa;
}

int tolkar(Tolk& t, FILE* inn, FILE* flushes, int replay, int port) {
    t.forrsekund = 0;
    t.rmctid = 0;
    les_skipsdata(t);
    t.replayoffset = 0;
    // Every log line is out before the loop waits for input, and only then:
    // a flush per line is a write per line, over half of a replay's time.
    // Reading a regular file never waits: it only ends.
    const bool fil = !port && vanlig_fil(inn);
    auto tom_ut = [&t, port, flushes] {
        std::fflush(t.ut);
        if (!port && flushes) std::fflush(flushes);
    };
    const bool tempo = replay && t.replaytempo;
    Tempo takt;
    // A paced replay stamps every line with the clock of its start, as a
    // replay read at full speed does: the replay time carries the recording's
    // time, and the wall clock moving on as well would count it twice (and
    // halve every speed).
    const int32_t startklokke = t.klokke();
    auto stempel = [&t, tempo, startklokke] { return tempo ? startklokke : t.klokke(); };
    bool cr = false; // the last line read ended in CR
    char buf[kLinjelengde];
    for (;;) {
        if (t.stopp.stopp_bedt()) {
            tom_ut();
            return 0;
        }
        bool kan_vente = port ? !udp_klar(t) : !fil && !linje_i_buffer(inn, cr);
        if (kan_vente) {
            tom_ut();
            if (!port && !t.stopp.vent_paa_lesbar(fileno(inn))) continue;
        }
        klokkepass(t, stempel());
        if (port) {
            // Every line of the datagram, in order.
            const char* p = get_udp(t, port, kan_vente);
            if (!p) continue;
            const char* slutt = p + std::strlen(p);
            bool dcr = false;
            while (dellinje(t, buf, p, slutt, dcr) >= 0) linjesteg(t, buf, stempel(), replay);
            continue;
        }
        if (talinje(t, buf, inn, cr) < 0) {
            const int feilkode = !std::ferror(inn) ? 0 : errno ? errno : EIO;
            tom_ut();
            return feilkode;
        }
        if (tempo) {
            const int32_t tid = replaytid_for(buf, t.replayoffset);
            for (int64_t v; (v = takt.ventetid(tid, t.tempoklokke())) > 0 && !t.stopp.stopp_bedt();) {
                tom_ut();
                t.sov(v);
            }
        }
        linjesteg(t, buf, stempel(), replay);
    }
}

} // namespace decoder
