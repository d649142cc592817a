// Options, start-up files and the serial line, run in-process.
#include "decoder/tekst.h"

#include "fangst.h"

#include <fcntl.h>
#include <string>
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
        const char* arg;
        int port;
        std::string melding;
    };
    const Tilfelle tabell[] = {
        {"-x4000", 4000, "broadcast to 4000\n"},
        {"-x65535", 65535, "broadcast to 65535\n"},
        {"-x65536", 49000, "error port_udp_broadcast\n"},
        {"-x", 49000, "error port_udp_broadcast\n"},
        {"-x99999999999999999999", 49000, "error port_udp_broadcast\n"},
    };
    for (const auto& t : tabell) {
        Fangst f;
        testhjelp::Arbeidsmappe m;
        m.skriv("tom.nmea", "");
        EXPECT_EQ(kjor({t.arg, "-ftom.nmea"}), 0);
        EXPECT_EQ(f.ut(), kCap + t.melding);
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

