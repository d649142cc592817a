// The per-line step: cleaning, checksum, sentence finding and replay time.
#include "decoder/dispatch.h"
#include "decoder/replay.h"
#include "decoder/stopp.h"

#include "fangst.h"

#include <string>
#include <sys/ioctl.h>
#include <thread>
#include <utility>
#include <vector>

using namespace decoder;
using testhjelp::Fangst;
using U = Linjeutfall;

namespace {
std::string nokkel(const Linjeutfall& u) { return u.rad ? u.rad->nokkel : ""; }

Linjeutfall kjor(Fangst& f, const std::string& l, int replay = 0) {
    std::string kopi = l.substr(0, 1023);
    char buf[1024];
    kopi.copy(buf, kopi.size());
    buf[kopi.size()] = '\0';
    return linjesteg(buf, testhjelp::falsk_tid(), replay);
    (void)f;
}
} // namespace

TEST(Linjesteg, Sjekksum) {
    struct Tilfelle {
        const char* linje;
        U::Hva hva;
        const char* feil;
    };
    const Tilfelle tabell[] = {
        {"$GPHDT,123.4,T*31", U::Dekodet, ""},
        {"$GPHDT,123.4,T*32", U::Sjekksumfeil,
         "tolkar: Sjekksumfeil i '$GPHDT,123.4,T': 32 != 31\n"},
        {"$GPHDT,123.4,T*3a", U::Sjekksumfeil,
         "tolkar: Sjekksumfeil i '$GPHDT,123.4,T': 3A != 31\n"},
        {"$GPHDT,123.4,T", U::Dekodet, ""},          // no tail: unverified
        {"$GPHDT,123.4,T*31\r\r", U::Dekodet, ""},   // both carriage returns go
        {"$GPHDT,123.4,T*32\r\n", U::Dekodet, ""},   // tail not at the end: no checksum
        {"junk$GPHDT,1,T", U::Dekodet, ""},
        {"$GPHDT,9,T\n$GPHDT,123.4,T*31", U::Dekodet, ""}, // last "$" wins
        {"$gpHDT,1,T", U::IngenSetning, ""},
        {"$G", U::IngenSetning, ""},
        {"$", U::IngenSetning, ""},
        {"", U::IngenSetning, ""},
        {"*", U::IngenSetning, ""},
        {"$GPXYZ,1,2", U::Forkastet, ""},
    };
    for (const auto& t : tabell) {
        Fangst f;
        Linjeutfall u = kjor(f, t.linje);
        EXPECT_EQ(u.hva, t.hva) << t.linje;
        EXPECT_EQ(f.feil(), t.feil) << t.linje;
        if (t.hva == U::Dekodet) {
            EXPECT_EQ(nokkel(u), "HDT,") << t.linje;
        }
    }
}

TEST(Linjesteg, UtenSjekksumGodtasFeilSum) {
    Fangst f;
    utensjekksum = 1;
    EXPECT_EQ(kjor(f, "$GPHDT,123.4,T*32").hva, U::Dekodet);
    EXPECT_EQ(f.feil(), "");
}

TEST(Linjesteg, AisGjennomUtropstegnUtenHale) {
    Fangst f;
    f.sett_tid(1234);
    std::string l = testhjelp::med_sum("!AIVDM,1,1,,A,13aEOK?P00PD2wVMdLDRhgvL289?,0");
    EXPECT_EQ(kjor(f, l).hva, U::Dekodet);
    EXPECT_EQ(f.ut(), "1234 AIS VDM,1,1,,A,13aEOK?P00PD2wVMdLDRhgvL289?,0\n");
}

TEST(Linjesteg, ToppbitOgNullbyte) {
    Fangst f;
    f.sett_tid(5);
    // 0xC1 becomes 'A'; a byte 0x80 becomes a terminator and ends the line.
    std::string l = "!\xC1IVDM,x";
    EXPECT_EQ(kjor(f, l).hva, U::Dekodet);
    EXPECT_EQ(f.ut(), "5 AIS VDM,x\n");
    EXPECT_EQ(kjor(f, std::string("!AIVDM,a\x80") + "rest").hva, U::Dekodet);
    EXPECT_EQ(f.ut(), "5 AIS VDM,a\n");
}

TEST(Linjesteg, Replaytid) {
    Fangst f;
    f.sett_tid(100);
    struct Steg {
        const char* linje;
        int32_t nasekund;
    };
    const Steg steg[] = {
        {"12:00:05 $GPHDT,1,T", 100 + 43205},
        {"$GPHDT,1,T", 100 + 43206},
        {"$GPHDT,1,T", 100 + 43207},
        {"77 $GPHDT,1,T", 177},
        {" 1:2:3 x", 100 + 3723},
        {"99999999999999:0:0", 2147483647}, // saturates, no overflow
        {"1:2222222222222222222222222222:2", 2147483647},
        {"-5", 100 + 0},                    // not a digit first: one more second... of INT32_MAX
    };
    for (size_t i = 0; i + 1 < std::size(steg); ++i) {
        kjor(f, steg[i].linje, 1);
        EXPECT_EQ(nasekund, steg[i].nasekund) << steg[i].linje;
    }
    kjor(f, "-5", 1);
    EXPECT_EQ(nasekund, 2147483647);
    // Outside replay mode nothing is added.
    kjor(f, "12:00:05", 0);
    EXPECT_EQ(nasekund, 100);
}

TEST(Linjesteg, LoggfilFaarRaLinje) {
    Fangst f;
    testhjelp::Arbeidsmappe m;
    loggefp = std::fopen("raa.log", "w");
    kjor(f, "$GPHDT,1,T*00\r");
    kjor(f, "annet");
    std::fclose(loggefp);
    loggefp = nullptr;
    FILE* fp = std::fopen("raa.log", "r");
    char buf[100] = {};
    size_t n = std::fread(buf, 1, sizeof buf - 1, fp);
    std::fclose(fp);
    EXPECT_EQ(std::string(buf, n), "$GPHDT,1,T*00\r\nannet\n");
}

TEST(Loop, KlokkehoppNullstillerVinduet) {
    struct Tilfelle {
        int32_t forrige, naa;
        bool nullstilt;
    };
    const Tilfelle tabell[] = {
        {1000, 1020, false}, {1000, 1021, true},        {1000, 999, true},
        {1000, 1000, false}, {0, 2147483647, true},     {2147483647, -2147483647 - 1, true},
    };
    for (const auto& t : tabell) {
        Fangst f;
        forrsekund = t.forrige;
        ant = 7;
        rmctid = 3;
        klokkepass(t.naa);
        EXPECT_EQ(ant, t.nullstilt ? 0 : 7) << t.forrige << " -> " << t.naa;
        EXPECT_EQ(rmctid, t.nullstilt ? (t.naa == 2147483647 ? 2147483647 : t.naa + 5) : 3);
        EXPECT_EQ(forrsekund, t.naa);
    }
}

TEST(Loop, LeserTilSluttOgDekoderHverLinje) {
    Fangst f;
    testhjelp::Arbeidsmappe m;
    f.sett_tid(42);
    std::string inn = "!AIVDM,1\r\n" + std::string(1500, 'y') + "\n!AIVDO,2";
    FILE* fp = fmemopen(inn.data(), inn.size(), "r");
    tolkar(fp, nullptr, 0, 0);
    std::fclose(fp);
    EXPECT_EQ(f.ut(), "42 AIS VDM,1\n42 AIS VDO,2\n");
    EXPECT_EQ(f.feil().substr(0, 19), "talinje(): Klippet ");
}

namespace {
// Clocks that only the waits move on; each wait oversleeps by half a second
// and notes how long it was and which sentences were decoded before it.
int64_t naa = 0;
Fangst* fangst = nullptr;
std::string utskrift;
std::vector<std::pair<int64_t, std::string>> ventet;

std::vector<std::pair<int64_t, std::string>> spill_av(std::string opptak, bool tempo) {
    Fangst f;
    testhjelp::Arbeidsmappe m;
    fangst = &f;
    utskrift.clear();
    ventet.clear();
    replaytempo = tempo;
    tempoklokke = [] { return naa; };
    sov = [](int64_t mikro) {
        std::string nytt = fangst->ut(), hvilke;
        for (size_t i = nytt.find("VDM,"); i != std::string::npos; i = nytt.find("VDM,", i + 1)) hvilke += nytt[i + 4];
        utskrift += nytt;
        ventet.emplace_back(mikro, hvilke);
        naa += mikro + 500000;
        testhjelp::falsk_tid() += static_cast<int32_t>((mikro + 500000) / 1000000);
    };
    FILE* fp = fmemopen(opptak.data(), opptak.size(), "r");
    tolkar(fp, nullptr, 1, 0);
    std::fclose(fp);
    utskrift += f.ut();
    tempoklokke = monotonmikroklokke;
    sov = vent_med_stopp;
    return ventet;
}
} // namespace

TEST(Loop, TempoSlipperHverLinjeVedSinReplaytid) {
    const std::string opptak =
        "12:00:00 !AIVDM,a\r\n"
        "12:00:02 !AIVDM,b\r\n"
        "!AIVDM,c\r\n"          // one second after the line before
        "12:00:03 !AIVDM,d\r\n" // due with c
        "11:00:00 !AIVDM,e\r\n" // the clock went back: at once, and counted from here
        "11:00:02 !AIVDM,f\r\n";
    // Counted from the first line: the half second each wait overslept is
    // taken from the next one.
    const std::vector<std::pair<int64_t, std::string>> forventet = {
        {2000000, "a"}, {500000, "b"}, {2000000, "cde"}};
    EXPECT_EQ(spill_av(opptak, true), forventet);
    const std::string i_takt = utskrift;
    // The program replays as fast as it reads, and the lines decode the same:
    // their times are the recording's, whatever the wall clock did meanwhile.
    EXPECT_TRUE(spill_av(opptak, false).empty());
    EXPECT_EQ(utskrift, i_takt);
}

TEST(Loop, StoppAvbryterVentenPaaInndata) {
    // The application's UDP run stops the same way (tested there).
    Fangst f;
    testhjelp::Arbeidsmappe m;
    int ror[2];
    ASSERT_EQ(pipe(ror), 0);
    FILE* inn = fdopen(ror[0], "r");
    std::thread t([&] { EXPECT_EQ(tolkar(inn, nullptr, 0, 0), 0); });
    // Once the line is taken from the pipe, the loop waits for the next.
    ASSERT_EQ(write(ror[1], "!AIVDM,1\r\n", 10), 10);
    for (int n = 1; n > 0;) ioctl(ror[0], FIONREAD, &n);
    be_om_stopp();
    t.join();
    nullstill_stopp();
    std::fclose(inn);
    close(ror[1]);
}
