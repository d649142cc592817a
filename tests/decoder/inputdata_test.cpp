// Options, start-up files and the serial line, run in-process.
#include "decoder/stopp.h"
#include "decoder/tekst.h"

#include "fangst.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <functional>
#include <string>
#include <sys/stat.h>
#include <termios.h>
#include <vector>

using namespace decoder;
using testhjelp::Avsluttet;
using testhjelp::Fangst;

namespace {
const std::string kCap = "cap = 349.975012 300.963756\n";

// Runs inputData with the arguments; a fatal error or the end of a replay
// comes back as its exit status, a normal return as 1000 + the result.
int kjor(std::vector<std::string> args) {
    args.insert(args.begin(), "tolkar");
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    try {
        return 1000 + inputData(static_cast<int>(args.size()), argv.data());
    } catch (const Avsluttet& a) {
        return a.status;
    }
}
} // namespace

TEST(Opsjoner, Hjelp) {
    Fangst f;
    testhjelp::Arbeidsmappe m;
    EXPECT_EQ(kjor({"-dlogg/raa.log", "-h", "-zzz"}), 1000);
    EXPECT_EQ(f.ut(), kCap +
                          "-- help Tolkar v.1.2.9 (brenmark NordraV5.1)\n"
                          "-b%1: baud speed of serial input\n"
                          "-f%1: file %1 in input\n"
                          "-h: this short help\n"
                          "-l%1: serial port %1 in input\n"
                          "-m: log mode\n"
                          "-u%1: UDP port %1 in input\n"
                          "-x%1: broadcast result to %1 UDP port\n");
    // Options before -h have already taken effect.
    EXPECT_EQ(access("logg/raa.log", F_OK), 0);
}

TEST(Opsjoner, Feil) {
    struct Tilfelle {
        std::vector<std::string> args;
        std::string feil;
    };
    const Tilfelle tabell[] = {
        {{"-q"}, "tolkar: Ukjent opsjon -q\n"},
        {{"x"}, "tolkar: Ukjent opsjon x\n"},
        {{"-"}, "tolkar: Ukjent opsjon -\n"},
        {{}, "Format: tolkar -l<linje> [ -b<baud> ]\n"},
        {{"-l/dev/null", "-b600"}, "Format: tolkar -l<linje> [ -b<baud> ]\n"},
        {{"-l/finnes/ikke"}, "tolkar: Kan ikke \x8C" "pne /finnes/ikke\n"},
        {{"-l/dev/null"}, "tolkar: Kan ikke bruke /dev/null\n"},
        {{"-fmangler.nmea"}, "tolkar: Kan ikke lese fra mangler.nmea!\n"},
    };
    for (const auto& t : tabell) {
        Fangst f;
        testhjelp::Arbeidsmappe m;
        EXPECT_NE(kjor(t.args), 1000) << t.args.size();
        EXPECT_EQ(f.feil(), t.feil);
    }
}

TEST(Opsjoner, LinjetestUtenMelding) {
    Fangst f;
    EXPECT_EQ(kjor({"-t", "-l/finnes/ikke"}), 1);
    EXPECT_EQ(kjor({"-t", "-l/dev/null"}), 1);
    EXPECT_EQ(f.feil(), "");
}

TEST(Opsjoner, ReplayVinnerOgSetterBrytere) {
    Fangst f;
    testhjelp::Arbeidsmappe m;
    m.skriv("tom.nmea", "");
    EXPECT_EQ(kjor({"-u49000", "-mfoo", "-x0", "-rBaat", "-ftom.nmea"}), 0);
    EXPECT_EQ(f.ut(), kCap + "error port_udp_broadcast\n");
    EXPECT_EQ(isUDPLog, 1);
    EXPECT_EQ(isBroadcast, 1);
    EXPECT_EQ(port_udp_broadcast, 49000);
    EXPECT_STREQ(spesialrmc, "Baat");
    EXPECT_EQ(beregnant, 10); // not read in replay mode
    EXPECT_TRUE(replay_ferdig);
}

TEST(Opsjoner, Kringkastingsport) {
    struct Tilfelle {
        std::string arg;
        int port;
        std::string melding;
    };
    const Tilfelle tabell[] = {
        {"4000", 4000, "broadcast to 4000\n"},
        {"65535", 65535, "broadcast to 65535\n"},
        {"65536", 49000, "error port_udp_broadcast\n"},
        {"", 49000, "error port_udp_broadcast\n"},
        {"99999999999999999999", 49000, "error port_udp_broadcast\n"},
        {"1e3", 49000, "error port_udp_broadcast\n"},
    };
    for (const auto& t : tabell) {
        Fangst f;
        testhjelp::Arbeidsmappe m;
        m.skriv("tom.nmea", "");
        EXPECT_EQ(kjor({"-x" + t.arg, "-ftom.nmea"}), 0);
        EXPECT_EQ(f.ut(), kCap + t.melding);
        EXPECT_EQ(f.feil(), t.port == 49000 ? "tolkar: Ugyldig kringkastingsport '" + t.arg + "', bruker 49000\n" : "");
        EXPECT_EQ(port_udp_broadcast, t.port);
    }
}

TEST(Opsjoner, Midleposfiks) {
    struct Tilfelle {
        const char* verdi;
        int status;
        int beregnant;
    };
    const Tilfelle tabell[] = {
        {"1001", 1, 0},
        {"99999999999", 1, 0},
    };
    for (const auto& t : tabell) {
        Fangst f;
        setenv("MIDLEPOSFIKS", t.verdi, 1);
        EXPECT_EQ(kjor({"-u49000"}), t.status);
        EXPECT_EQ(f.feil(), "tolkar: MIDLEPOSFIKS kan ikke overskride 1000\n");
    }
    unsetenv("MIDLEPOSFIKS");
}

TEST(Opsjoner, UbrukeligeVerdierSiesFraOm) {
    struct Tilfelle {
        const char* u;
        const char* midleposfiks; // null: not set
        int port;
        int beregnant;
        std::string feil;
    };
    const Tilfelle tabell[] = {
        {"-u4000", nullptr, 4000, 10, ""},
        {"-uabc", nullptr, 49001, 10, "tolkar: Ugyldig UDP-port 'abc', bruker 49001\n"},
        {"-u1e3", nullptr, 49001, 10, "tolkar: Ugyldig UDP-port '1e3', bruker 49001\n"},
        {"-u70000", nullptr, 49001, 10, "tolkar: Ugyldig UDP-port '70000', bruker 49001\n"},
        {"-u", nullptr, 49001, 10, "tolkar: Ugyldig UDP-port '', bruker 49001\n"},
        {"-u4000", "20", 4000, 20, ""},
        {"-u4000", "1e9", 4000, 1, "tolkar: MIDLEPOSFIKS '1e9' er ikke et heltall, bruker 1\n"},
        {"-u4000", "20abc", 4000, 1, "tolkar: MIDLEPOSFIKS '20abc' er ikke et heltall, bruker 1\n"},
        {"-u4000", "0", 4000, 1, "tolkar: MIDLEPOSFIKS under 1, bruker 1\n"},
    };
    for (const auto& t : tabell) {
        Fangst f;
        testhjelp::Arbeidsmappe m;
        if (t.midleposfiks) setenv("MIDLEPOSFIKS", t.midleposfiks, 1);
        // Asked to stop before it starts, the loop ends before it opens the port.
        be_om_stopp();
        EXPECT_EQ(kjor({t.u}), 1000);
        nullstill_stopp();
        unsetenv("MIDLEPOSFIKS");
        EXPECT_EQ(f.ut(), kCap + "tolkar upd port " + std::to_string(t.port) + " starter\n") << t.u;
        EXPECT_EQ(f.feil(), t.feil) << t.u;
        EXPECT_EQ(beregnant, t.beregnant) << t.u;
    }
}

TEST(Opsjoner, ReplaySomIkkeKanLesesGirStatusOgMelding) {
    struct Tilfelle {
        const char* fil;
        int feilkode;
    };
    const Tilfelle tabell[] = {{".", EISDIR}, {"/proc/self/mem", EIO}};
    for (const auto& t : tabell) {
        Fangst f;
        testhjelp::Arbeidsmappe m;
        EXPECT_EQ(kjor({std::string("-f") + t.fil}), 1) << t.fil;
        const std::string melding =
            std::string("tolkar: Kan ikke lese fra ") + t.fil + ": " + std::strerror(t.feilkode) + "!";
        EXPECT_EQ(f.feil(), melding + "\n");
        EXPECT_EQ(siste_feilmelding(), melding); // what the application shows
        EXPECT_FALSE(replay_ferdig);
    }
}

TEST(Oppstartsfiler, Brytere) {
    Fangst f;
    testhjelp::Arbeidsmappe m;
    les_skipsdata();
    EXPECT_EQ(utensjekksum, 0);
    EXPECT_EQ(alltidgps, 0);
    EXPECT_EQ(f.feil(), "");
    m.skriv("utensjekksum", "");
    m.skriv("alltidgps", "whatever");
    les_skipsdata();
    EXPECT_EQ(utensjekksum, 1);
    EXPECT_EQ(alltidgps, 1);
    EXPECT_EQ(f.feil(), "tolkar: Uten sjekksum\ntolkar: Godtar hoppende GPS\n");
}

TEST(Oppstartsfiler, Skipsdata) {
    Fangst f;
    testhjelp::Arbeidsmappe m;
    m.skriv("Skipsdata", "Ekko dybde 1.5\nnoe annet\n  Ekko dybde 9\nEkkodybde2\n");
    les_skipsdata();
    EXPECT_EQ(f.feil(), "tolkar: Dybdekorr 1.5\ntolkar: Dybdekorr 2\n");
    EXPECT_DOUBLE_EQ(dybdekorr, 2.0);
    les_skipsdata(); // unchanged file: not read again
    EXPECT_EQ(f.feil(), "");
    m.skriv("Skipsdata", "Ekko dybde 2\n");
    EXPECT_EQ(chmod("Skipsdata", 0), 0);
    struct timespec tider[2] = {{0, UTIME_NOW}, {12345, 0}};
    utimensat(AT_FDCWD, "Skipsdata", tider, 0);
    les_skipsdata();
    if (geteuid() != 0) { // root reads it anyway
        EXPECT_EQ(f.feil(), "tolkar: 'Skipsdata' kan ikke leses\n");
    }
    EXPECT_DOUBLE_EQ(dybdekorr, 2.0);
}

TEST(Oppstartsfiler, BareVanligeFilerOgFornuftigeKorreksjoner) {
    struct Tilfelle {
        const char* navn;
        std::function<void(const testhjelp::Arbeidsmappe&)> lag;
        std::string feil;
        double dybdekorr;
    };
    auto fil = [](const char* innhold) {
        return [innhold](const testhjelp::Arbeidsmappe& m) { m.skriv("Skipsdata", innhold); };
    };
    const std::string ikke_vanlig = "tolkar: 'Skipsdata' er ikke en vanlig fil, leses ikke\n";
    const Tilfelle tabell[] = {
        {"fifo", [](auto&) { mkfifo("Skipsdata", 0600); }, ikke_vanlig, 0},
        {"/dev/zero", [](auto&) { symlink("/dev/zero", "Skipsdata"); }, ikke_vanlig, 0},
        {"NaN", fil("Ekko dybde nan\n"), "tolkar: Dybdekorr nan avvist, beholder 0\n", 0},
        {"2000 m", fil("Ekko dybde 1.5\nEkko dybde 2000\n"),
         "tolkar: Dybdekorr 1.5\ntolkar: Dybdekorr 2000 avvist, beholder 1.5\n", 1.5},
        {"1000 m", fil("Ekko dybde -1000\n"), "tolkar: Dybdekorr -1000\n", -1000},
        {"CR", fil("Ekko dybde 1.5\rEkko dybde 2.5\r"), "tolkar: Dybdekorr 1.5\ntolkar: Dybdekorr 2.5\n", 2.5},
    };
    for (const auto& t : tabell) {
        Fangst f;
        testhjelp::Arbeidsmappe m;
        t.lag(m);
        les_skipsdata();
        EXPECT_EQ(f.feil(), t.feil) << t.navn;
        EXPECT_EQ(dybdekorr, t.dybdekorr) << t.navn;
        // Depths still come through.
        f.linje("$SDDPT,10.5,0.3");
        EXPECT_NE(f.ut().find(" Dybde "), std::string::npos) << t.navn;
    }
    // The forget list is read in serial mode only, but the same way.
    Fangst f;
    testhjelp::Arbeidsmappe m;
    ASSERT_EQ(mkfifo("glemnmea", 0600), 0);
    lesglem();
    EXPECT_EQ(f.feil(), "tolkar: 'glemnmea' er ikke en vanlig fil, leses ikke\n");
}

