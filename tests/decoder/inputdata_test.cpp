// Options, start-up files and the serial line, run in-process.
#include "decoder/tekst.h"

#include "fangst.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <functional>
#include <locale.h>
#include <string>
#include <sys/stat.h>
#include <vector>
#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/lsan_interface.h>
#endif

using namespace decoder;
using testhjelp::Fangst;

namespace {
const std::string kCap = "cap = 349.975012 300.963756\n";

// Runs inputData with the arguments; a fatal error or the end of a replay
// comes back as its exit status, a normal return as 1000 + the result.
int kjor(Tolk& t, std::vector<std::string> args) {
    args.insert(args.begin(), "tolkar");
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    try {
        return 1000 + inputData(t, static_cast<int>(args.size()), argv.data());
    } catch (const testhjelp::Avsluttet& a) {
        return a.status;
    }
}
} // namespace

TEST(Opsjoner, Hjelp) {
    Fangst f;
    testhjelp::Arbeidsmappe m;
    EXPECT_EQ(kjor(f.t, {"-dlogg/raa.log", "-h", "-zzz"}), 1000);
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
    const struct {
        std::vector<std::string> args;
        int status;
        std::string feil;
    } tabell[] = {
        {{"-q"}, 1, "tolkar: Ukjent opsjon -q\n"},
        {{"x"}, 1, "tolkar: Ukjent opsjon x\n"},
        {{}, 1, "Format: tolkar -l<linje> [ -b<baud> ]\n"},
        {{"-l/dev/null", "-b600"}, 1, "Format: tolkar -l<linje> [ -b<baud> ]\n"},
        {{"-l/finnes/ikke"}, 1, "tolkar: Kan ikke \x8C" "pne /finnes/ikke\n"},
        {{"-l/dev/null"}, 1, "tolkar: Kan ikke bruke /dev/null\n"},
        {{"-fmangler.nmea"}, 1, "tolkar: Kan ikke lese fra mangler.nmea!\n"},
        // The line test says nothing.
        {{"-t", "-l/finnes/ikke"}, 1, ""},
        {{"-t", "-l/dev/null"}, 1, ""},
    };
    for (const auto& t : tabell) {
        Fangst f;
        testhjelp::Arbeidsmappe m;
        EXPECT_EQ(kjor(f.t, t.args), t.status) << t.feil;
        EXPECT_EQ(f.feil(), t.feil);
    }
    for (const char* verdi : {"1001", "99999999999"}) {
        Fangst f;
        setenv("MIDLEPOSFIKS", verdi, 1);
        EXPECT_EQ(kjor(f.t, {"-u49000"}), 1);
        unsetenv("MIDLEPOSFIKS");
        EXPECT_EQ(f.feil(), "tolkar: MIDLEPOSFIKS kan ikke overskride 1000\n");
    }
}

TEST(Opsjoner, ReplayVinnerOgSetterBrytere) {
    Fangst f;
    testhjelp::Arbeidsmappe m;
    m.skriv("tom.nmea", "");
    EXPECT_EQ(kjor(f.t, {"-u49000", "-mfoo", "-x0", "-rBaat", "-ftom.nmea"}), 0);
    EXPECT_EQ(f.ut(), kCap + "error port_udp_broadcast\n");
    EXPECT_EQ(f.t.isUDPLog, 1);
    EXPECT_EQ(f.t.isBroadcast, 1);
    EXPECT_EQ(f.t.port_udp_broadcast, 49000);
    EXPECT_STREQ(f.t.spesialrmc, "Baat");
    EXPECT_EQ(f.t.beregnant, 10); // not read in replay mode
    EXPECT_TRUE(f.t.replay_ferdig);
}

TEST(Opsjoner, UbrukeligeVerdierSiesFraOm) {
    // Options, MIDLEPOSFIKS (null: not set), and what the decoder makes of them.
    const struct {
        std::string x, u;
        const char* midleposfiks;
        int kringkast, port, beregnant;
        std::string ut, feil;
    } tabell[] = {
        {"-x4000", "-u4000", nullptr, 4000, 4000, 10, "broadcast to 4000\n", ""},
        {"-x65535", "-u65535", "20", 65535, 65535, 20, "broadcast to 65535\n", ""},
        {"-x65536", "-u70000", nullptr, 49000, 49001, 10, "error port_udp_broadcast\n",
         "tolkar: Ugyldig kringkastingsport '65536', bruker 49000\n"
         "tolkar: Ugyldig UDP-port '70000', bruker 49001\n"},
        {"-x", "-u", nullptr, 49000, 49001, 10, "error port_udp_broadcast\n",
         "tolkar: Ugyldig kringkastingsport '', bruker 49000\n"
         "tolkar: Ugyldig UDP-port '', bruker 49001\n"},
        {"-x1e3", "-uabc", "1e9", 49000, 49001, 1, "error port_udp_broadcast\n",
         "tolkar: Ugyldig kringkastingsport '1e3', bruker 49000\n"
         "tolkar: Ugyldig UDP-port 'abc', bruker 49001\n"
         "tolkar: MIDLEPOSFIKS '1e9' er ikke et heltall, bruker 1\n"},
        {"-x99999999999999999999", "-u4000", "20abc", 49000, 4000, 1, "error port_udp_broadcast\n",
         "tolkar: Ugyldig kringkastingsport '99999999999999999999', bruker 49000\n"
         "tolkar: MIDLEPOSFIKS '20abc' er ikke et heltall, bruker 1\n"},
        {"-x4000", "-u4000", "0", 4000, 4000, 1, "broadcast to 4000\n",
         "tolkar: MIDLEPOSFIKS under 1, bruker 1\n"},
    };
    for (const auto& t : tabell) {
        Fangst f;
        testhjelp::Arbeidsmappe m;
        if (t.midleposfiks) setenv("MIDLEPOSFIKS", t.midleposfiks, 1);
        // Asked to stop before it starts, the loop ends before it opens the port.
        f.t.stopp.be_om_stopp();
        EXPECT_EQ(kjor(f.t, {t.x, t.u}), 1000);
        unsetenv("MIDLEPOSFIKS");
        EXPECT_EQ(f.ut(), kCap + t.ut + "tolkar upd port " + std::to_string(t.port) + " starter\n") << t.u;
        EXPECT_EQ(f.feil(), t.feil) << t.u;
        EXPECT_EQ(f.t.port_udp_broadcast, t.kringkast) << t.x;
        EXPECT_EQ(f.t.beregnant, t.beregnant) << t.u;
    }
}

TEST(Opsjoner, ReplaySomIkkeKanLesesGirStatusOgMelding) {
    const struct {
        const char* fil;
        int feilkode;
    } tabell[] = {{".", EISDIR}, {"/proc/self/mem", EIO}};
    for (const auto& t : tabell) {
        Fangst f;
        testhjelp::Arbeidsmappe m;
        EXPECT_EQ(kjor(f.t, {std::string("-f") + t.fil}), 1) << t.fil;
        const std::string melding =
            std::string("tolkar: Kan ikke lese fra ") + t.fil + ": " + std::strerror(t.feilkode) + "!";
        EXPECT_EQ(f.feil(), melding + "\n");
        EXPECT_EQ(f.t.feilmelding, melding); // what the application shows
        EXPECT_FALSE(f.t.replay_ferdig);
    }
}

TEST(Opsjoner, TallIVertensLokaleLesesSomIC) {
    // Qt sets the user's locale; in Norwegian the decimal sign is a comma.
    testhjelp::Arbeidsmappe m;
    // A path, so that localedef writes the locale there and not into the system's.
    if (std::system("localedef -i nb_NO -f ISO-8859-1 ./nb_NO >/dev/null 2>&1") != 0)
        GTEST_SKIP() << "localedef cannot make nb_NO";
    setenv("LOCPATH", m.sti().c_str(), 1);
    locale_t norsk;
    {
#if defined(__SANITIZE_ADDRESS__)
        __lsan::ScopedDisabler libc_beholder; // newlocale keeps its copy of LOCPATH
#endif
        norsk = newlocale(LC_ALL_MASK, "nb_NO", static_cast<locale_t>(nullptr));
    }
    unsetenv("LOCPATH");
    ASSERT_NE(norsk, nullptr);
    m.skriv("dykk.nmea", "12:00:00 $HEHDT,123.4,T\n12:00:01 $SDDPT,10.5\n");
    Fangst f;
    const locale_t forrige = uselocale(norsk);
    EXPECT_EQ(kjor(f.t, {"-fdykk.nmea"}), 0);
    EXPECT_EQ(uselocale(forrige), norsk); // the host's locale is back
    freelocale(norsk);
    EXPECT_EQ(f.ut(), kCap + "1043200 Heading 123.4\n1043201 Dybde 10.50\n");
    EXPECT_EQ(f.t.gHeadingBoat.load(), 123.4f);
}

TEST(Oppstartsfiler, BryterneOgSkipsdata) {
    Fangst f;
    testhjelp::Arbeidsmappe m;
    les_skipsdata(f.t);
    EXPECT_EQ(f.t.utensjekksum, 0);
    EXPECT_EQ(f.t.alltidgps, 0);
    EXPECT_EQ(f.feil(), "");
    m.skriv("utensjekksum", "");
    m.skriv("alltidgps", "whatever");
    m.skriv("Skipsdata", "Ekko dybde 1.5\nnoe annet\n  Ekko dybde 9\nEkkodybde2\n");
    les_skipsdata(f.t);
    EXPECT_EQ(f.t.utensjekksum, 1);
    EXPECT_EQ(f.t.alltidgps, 1);
    EXPECT_EQ(f.feil(), "tolkar: Uten sjekksum\ntolkar: Godtar hoppende GPS\n"
                        "tolkar: Dybdekorr 1.5\ntolkar: Dybdekorr 2\n");
    EXPECT_DOUBLE_EQ(f.t.dybdekorr, 2.0);
    ASSERT_EQ(unlink("utensjekksum"), 0);
    ASSERT_EQ(unlink("alltidgps"), 0);
    les_skipsdata(f.t); // unchanged file: not read again
    EXPECT_EQ(f.feil(), "");
    m.skriv("Skipsdata", "Ekko dybde 3\n");
    EXPECT_EQ(chmod("Skipsdata", 0), 0);
    struct timespec tider[2] = {{0, UTIME_NOW}, {12345, 0}};
    utimensat(AT_FDCWD, "Skipsdata", tider, 0);
    les_skipsdata(f.t);
    if (geteuid() != 0) { // root reads it anyway
        EXPECT_EQ(f.feil(), "tolkar: 'Skipsdata' kan ikke leses\n");
        EXPECT_DOUBLE_EQ(f.t.dybdekorr, 2.0);
    }
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
        les_skipsdata(f.t);
        EXPECT_EQ(f.feil(), t.feil) << t.navn;
        EXPECT_EQ(f.t.dybdekorr, t.dybdekorr) << t.navn;
        // Depths still come through.
        f.linje("$SDDPT,10.5,0.3");
        EXPECT_NE(f.ut().find(" Dybde "), std::string::npos) << t.navn;
    }
    // The forget list is read in serial mode only, but the same way.
    Fangst f;
    testhjelp::Arbeidsmappe m;
    ASSERT_EQ(mkfifo("glemnmea", 0600), 0);
    lesglem(f.t);
    EXPECT_EQ(f.feil(), "tolkar: 'glemnmea' er ikke en vanlig fil, leses ikke\n");
}
