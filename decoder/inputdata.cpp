#include "decoder/geodesi.h"
#include "decoder/runtime.h"
#include "decoder/state.h"
#include "decoder/stopp.h"
#include "decoder/tekst.h"
#include "decoder/tolkar.h"
#include "decoder/udp.h"

#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <termios.h>
#include <unistd.h>

namespace decoder {

bool replay_ferdig = false;

namespace {

const bool registrert = registrer_nullstiller([] { replay_ferdig = false; });

constexpr int kMaksBeregnant = 1000;

const char* const kHjelp[] = {
    "-- help Tolkar v.1.2.9 (brenmark NordraV5.1)",
    "-b%1: baud speed of serial input",
    "-f%1: file %1 in input",
    "-h: this short help",
    "-l%1: serial port %1 in input",
    "-m: log mode",
    "-u%1: UDP port %1 in input",
    "-x%1: broadcast result to %1 UDP port",
};

bool gyldig_port(int32_t p) { return p >= 1 && p <= 65535; }

// A port option's value: a whole number from 1 to 65535, or false.
bool les_port(const char* verdi, int& port) {
    int32_t p = 0;
    if (!les_helt_tall(verdi, p) || !gyldig_port(p)) return false;
    port = p;
    return true;
}

// What an unusable port value gives way to, with a word on it.
int i_stedet(const char* verdi, const char* hva, int ellers) {
    skrivfeil("tolkar: Ugyldig %s '%s', bruker %d\n", hva, verdi, ellers);
    return ellers;
}

// The option's text lives as long as the process: argv does, and -r keeps a copy.
struct Valg {
    int udpport = 0;
    const char* linje = nullptr;
    const char* baud = "4800";
    const char* fil = nullptr;
    bool linjetest = false;
};

void sjekk_linje(const Valg& v) {
    if (!v.linje || std::strlen(v.baud) < 4) fatal("Format: tolkar -l<linje> [ -b<baud> ]");
    int fd = ::open(v.linje, O_RDWR | O_NONBLOCK | O_NOCTTY);
    if (fd < 0) {
        if (v.linjetest) avslutt_status(1);
        fatal("tolkar: Kan ikke \x8C" "pne %s", v.linje);
    }
    termios t{};
    if (::tcgetattr(fd, &t) != 0) {
        ::close(fd);
        if (v.linjetest) avslutt_status(1);
        fatal("tolkar: Kan ikke bruke %s", v.linje);
    }
    ::close(fd);
    if (v.linjetest) {
        skriv("Linjen OK\n");
        avslutt_status(0);
    }
}

void les_beregnant() {
    const char* verdi = std::getenv("MIDLEPOSFIKS");
    beregnant = 10;
    if (verdi && !les_helt_tall(verdi, beregnant)) {
        // Not a number as a whole: no averaging, as for no number at all.
        skrivfeil("tolkar: MIDLEPOSFIKS '%s' er ikke et heltall, bruker 1\n", verdi);
        beregnant = 1;
    }
    if (beregnant > kMaksBeregnant)
        fatal("tolkar: MIDLEPOSFIKS kan ikke overskride %d", kMaksBeregnant);
    if (beregnant < 1) {
        // The window needs one slot; zero or a non-number means no averaging.
        skrivfeil("tolkar: MIDLEPOSFIKS under 1, bruker 1\n");
        beregnant = 1;
    }
}

} // namespace

int inputData(int argc, char** argv) {
    (void)registrert;
    skriv("cap = %lf %lf\n", givinkel(-1.0, 5.656854248), givinkel(-5.0, 3.0));

    Valg v;
    for (int i = 1; i < argc; ++i) {
        const char* a = argv[i];
        const char* verdi = a[0] && a[1] ? a + 2 : a + std::strlen(a);
        if (start(a, "-h")) {
            for (const char* l : kHjelp) skriv("%s\n", l);
            std::fflush(ut);
            return 0;
        } else if (start(a, "-m")) {
            isUDPLog = 1;
        } else if (start(a, "-x")) {
            if (les_port(verdi, port_udp_broadcast)) {
                skriv("broadcast to %d\n", port_udp_broadcast);
            } else {
                skriv("error port_udp_broadcast\n");
                port_udp_broadcast = i_stedet(verdi, "kringkastingsport", 49000);
            }
            isBroadcast = 1;
        } else if (start(a, "-u")) {
            if (!les_port(verdi, v.udpport)) v.udpport = i_stedet(verdi, "UDP-port", 49001);
        } else if (start(a, "-l")) {
            v.linje = verdi;
        } else if (start(a, "-b")) {
            v.baud = verdi;
        } else if (start(a, "-f")) {
            v.fil = verdi;
        } else if (start(a, "-t")) {
            v.linjetest = true;
        } else if (start(a, "-d")) {
            // Appended to, so that a restart does not wipe the lines already logged.
            loggefp = vfopen("tolkar", verdi, "a");
        } else if (start(a, "-r")) {
            static std::string spesialnavn;
            spesialnavn = verdi;
            spesialrmc = spesialnavn.c_str();
        } else {
            fatal("tolkar: Ukjent opsjon %s", a);
        }
    }

    if (!v.udpport && !v.fil) sjekk_linje(v);

    if (v.fil) {
        FILE* inn = vfopen("tolkar", v.fil, "r");
        // A folder opens, but its first read fails: that is reported too.
        int feilkode = tolkar(inn, feil, 1, 0);
        std::fclose(inn);
        if (feilkode) fatal("tolkar: Kan ikke lese fra %s: %s!", v.fil, std::strerror(feilkode));
        replay_ferdig = !stopp_bedt();
        avslutt_status(0);
    }

    les_beregnant();

    if (v.udpport) {
        skriv("tolkar upd port %d starter\n", v.udpport);
        tolkar(nullptr, nullptr, 0, v.udpport);
    } else {
        const char* skraastrek = std::strrchr(v.linje, '/');
        ttynavn = skraastrek ? skraastrek + 1 : v.linje;
        lesglem();
        std::fflush(ut);
        FILE* inn = vfopen("tolkar", v.linje, "r");
        FILE* tilbake = vfopen("tolkar", v.linje, "w");
        sett_opp_linje(fileno(inn), v.baud);
        skriv("tolkar -l%s starter\n", v.linje);
        tolkar(inn, tilbake, 0, 0);
        std::fclose(inn);
        std::fclose(tilbake);
    }
    close_udp();
    return 0;
}

} // namespace decoder
