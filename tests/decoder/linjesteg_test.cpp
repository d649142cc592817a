// The per-line step: cleaning, checksum, the instrument line shapes, the key
// table with its conditions and field counts, the forget list, replay time
// and the raw log.
#include "decoder/decoders.h"

#include "fangst.h"

#include <cctype>
#include <fstream>
#include <string>

using namespace decoder;
using testhjelp::Fangst;
using U = Linjeutfall;

namespace {
std::string nokkel(const Linjeutfall& u) { return u.rad ? std::string(u.rad->nokkel) : "-"; }
} // namespace

TEST(Linjesteg, RensingOgSjekksum) {
    const struct {
        const char* linje;
        int utensjekksum;
        U::Hva hva;
        const char* ut;   // after the time
        const char* feil;
    } tabell[] = {
        {"$GPHDT,123.4,T*31", 0, U::Dekodet, "Heading 123.4\n", ""},
        {"$GPHDT,123.4,T*32", 0, U::Sjekksumfeil, "", "tolkar: Sjekksumfeil i '$GPHDT,123.4,T': 32 != 31\n"},
        {"$GPHDT,123.4,T*3a", 0, U::Sjekksumfeil, "", "tolkar: Sjekksumfeil i '$GPHDT,123.4,T': 3A != 31\n"},
        {"$GPHDT,123.4,T*32", 1, U::Dekodet, "Heading 123.4\n", ""},
        {"$GPHDT,123.4,T", 0, U::Dekodet, "Heading 123.4\n", ""},      // no tail: unverified
        {"$GPHDT,123.4,T*31\r\r", 0, U::Dekodet, "Heading 123.4\n", ""}, // both carriage returns go
        {"$GPHDT,123.4,T*32\r\n", 0, U::Dekodet, "Heading 123.4\n", ""}, // tail not at the end
        {"junk$GPHDT,1,T", 0, U::Dekodet, "Heading 1.0\n", ""},
        {"$GPHDT,9,T\n$GPHDT,123.4,T*31", 0, U::Dekodet, "Heading 123.4\n", ""}, // last "$" wins
        {"!AIVDM,1,1,,A,13aEOK?P00PD2wVMdLDRhgvL289?,0*00", 1, U::Dekodet,
         "AIS VDM,1,1,,A,13aEOK?P00PD2wVMdLDRhgvL289?,0\n", ""}, // the tail does not pass on
        {"!\xC1IVDM,x", 0, U::Dekodet, "AIS VDM,x\n", ""},          // 0xC1 becomes 'A'
        {"!AIVDM,a\x80rest", 0, U::Dekodet, "AIS VDM,a\n", ""},      // 0x80 ends the line
        {"$gpHDT,1,T", 0, U::IngenSetning, "", ""},
        {"$G", 0, U::IngenSetning, "", ""},
        {"", 0, U::IngenSetning, "", ""},
        {"*", 0, U::IngenSetning, "", ""},
        {"$GPXYZ,1,2", 0, U::Forkastet, "", ""},
    };
    for (const auto& t : tabell) {
        Fangst f;
        f.sett_tid(5);
        f.t.utensjekksum = t.utensjekksum;
        EXPECT_EQ(f.linje(t.linje).hva, t.hva) << t.linje;
        EXPECT_EQ(f.ut(), *t.ut ? std::string("5 ") + t.ut : "") << t.linje;
        EXPECT_EQ(f.feil(), t.feil) << t.linje;
    }
}

TEST(Linjesteg, Instrumentlinjer) {
    const struct {
        std::string linje;
        int slag; // 0: not an instrument line
    } tabell[] = {
        {"D1,12.3,4", 1},
        {"D2,", 1},
        {"D3,x", 0},
        {"D3xxxFxxxxSxxxx", 2}, // 15 characters, D + digit 0-7, F at 6, S at 11
        {"D7xxxFxxxxSxxxx", 2},
        {"D8xxxFxxxxSxxxx", 0},
        {"D3xxxFxxxxSxxx", 0}, // 14 characters
        {"@IITPT,1,2", 3},
        {"xxxxxxm", 4}, // "m" at 7 wins before any sentence
        {"$GPHDTm,1", 4},
        {"DxxxxxC", 5},
        {"D12345C,1,2", 5},
        {"1 33 A word 1.0 2.0 3.0 4.0 5.0", 6},
        {"1 33 A word 1.0 2.0 3.0 4.0", 0},
        {"1 33 A word 1.0 2.0 3.0 4.0 5.0 and more", 6},
        {"1 2 A " + std::string(1000, 'w') + " 1 2 3 4 5", 6}, // a word as long as the line
        {"$GPHDT,1,T", 0},
    };
    for (const auto& t : tabell) {
        Fangst f;
        Linjeutfall u = f.linje(t.linje);
        EXPECT_EQ(u.hva == U::Instrument ? u.slag : 0, t.slag) << t.linje;
    }
}

TEST(Linjesteg, Hpr300FormenErDenDekoderenLeser) {
    // A line taken as an HPR 300 report is one its decoder reads (and echoes),
    // and one the decoder would read is not left to the sentence search.
    const char* tabell[] = {
        "1 2 A w 1 2 3 4 5",
        "99999999999 1 A x 1 2 3 4 5", // beyond int: still one report
        "1 2 A w 1e 2 3 4 5",          // "1e" is a number and a stray letter
        "1 2 A w 1 2 3 4 0x",
        "1 2 A w 1 2 3 4 nan(12)",
        "1 2 A w 1 2 3 4 -",
        "+1 -2 A\tw 0x1p3 2 3 4 infinity",
        "1 2  w 1 2 3 4 5",
    };
    for (const char* l : tabell) {
        Fangst form, lest;
        const bool som_rapport = form.linje(l).slag == 6;
        dekod_HPR300P(lest.t, l);
        EXPECT_EQ(som_rapport, lest.ut().starts_with("HPR300 : ")) << l;
    }
}

TEST(Linjesteg, Nokler) {
    const struct {
        const char* setning;
        const char* nokkel; // "-": dropped
        bool spesial;       // in special-target mode
    } tabell[] = {
        {"$GPGGA,1", "GGA,", false},     {"$INGGA,1", "GGA,", false},
        {"$SDDBS,1", "DBS,", false},     {"$IIDBS,1", "-", false},
        {"$SMDBS,1", "SMDBS,", false},   {"$SDDBT,1", "DBT,", false},
        {"$HEHDT,1", "HDT,", false},     {"$GPRMC,1", "RMC,", false},
        {"!AIVDM,1", "VDM,", false},     {"!AIVDO,1", "VDO,", false},
        {"$PSTXR,1", "PSTXR,", false},   {"$PSIMSSB,1", "PSIMSSB,", false},
        {"$PFEC,GPatt,1", "PFEC,GPatt,", false}, {"$PFEC,GPxxx,1", "-", false},
        {"$PJRCD,GP,5,1", "PJRCD,GP,5,", false}, {"$PRHS,VTC,1", "PRHS,VTC,", false},
        {"$MA,12", "MA,", false},        {"$GPMA,1", "-", false}, // a key at P stands in the talker's place
        {"$GPXYZ,1", "-", false},        {"$GPHDT", "-", false},  // the comma is part of the key
        {"$PSIMS1,1", "PSIMS1,", false}, {"$PSIMH2,1", "PSIMH2,", false},
        // Special-target mode drops the vessel's own data and keeps the rest.
        {"$GPGGA,1", "-", true},         {"$GPVTG,1", "-", true},
        {"$GPZDA,1", "-", true},         {"$GPOSD,1", "-", true},
        {"$GPHDT,1", "-", true},         {"$GPHDM,1", "-", true},
        {"$GPHDG,1", "-", true},         {"$GPRMC,1", "RMC,", true},
        {"$SDDPT,1", "DPT,", true},
    };
    for (const auto& t : tabell) {
        Fangst f;
        if (t.spesial) f.t.spesialrmc = "M\x8Cl";
        EXPECT_EQ(nokkel(f.linje(t.setning)), t.nokkel) << t.setning << (t.spesial ? " spesial" : "");
    }
}

namespace {
// The first line of the row's seed in the fuzzer's corpus that holds its
// key: a sound sentence with its checksum (fuzz/lag_korpus.py writes them).
std::string eksempel(std::string_view nokkel) {
    std::string navn;
    for (char c : nokkel) {
        const char l = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        if (std::isalnum(static_cast<unsigned char>(l)))
            navn += l;
        else if (!navn.empty() && navn.back() != '_')
            navn += '_';
    }
    if (navn.back() == '_') navn.pop_back();
    std::ifstream inn(std::string(TEST_DATA_DIR) + "/../../fuzz/korpus/" + navn);
    for (std::string l; std::getline(inn, l, '\n');)
        if (l.find(nokkel) != std::string::npos) return l.substr(l[0] == '0', l.find('\r') - (l[0] == '0'));
    return "";
}
} // namespace

TEST(Linjesteg, HverRadNaarSinDekoderMedNokFelt) {
    // A sound sentence for every row decodes, with and without its tail;
    // with one field fewer than the row asks for it writes nothing, or
    // "Dårlig GPS" for the fixes.
    int antall = 0;
    const Nokkel* tabell = nokkeltabell(&antall);
    for (const Nokkel* rad = tabell; rad != tabell + antall; ++rad) {
        const std::string hel = eksempel(rad->nokkel);
        ASSERT_NE(hel, "") << "no seed for " << rad->nokkel;
        if (!rad->handler) {
            Fangst f;
            EXPECT_EQ(f.linje(hel).hva, U::Forkastet) << hel;
            continue;
        }
        for (std::string l : {hel, hel.substr(0, hel.rfind('*'))}) {
            Fangst f;
            EXPECT_EQ(f.linje(l).rad, rad) << l;
            EXPECT_NE(f.ut(), "") << l;
        }
        if (rad->min_felt == 0) continue;
        // One field fewer; with a minimum of one, a text the splitter refuses.
        std::string kort = hel.substr(0, hel.rfind('*'));
        size_t etter = kort.find(rad->nokkel) + rad->nokkel.size();
        for (int i = 1; i < rad->min_felt - 1; ++i) etter = kort.find(',', etter) + 1;
        kort = rad->min_felt > 1 ? kort.substr(0, kort.find(',', etter)) : kort + std::string(30, ',');
        Fangst f;
        EXPECT_EQ(f.linje(kort).rad, rad) << kort;
        EXPECT_EQ(f.ut(), rad->kort ? "1000000 D\x8Crlig GPS\n" : "") << kort;
    }
}

TEST(Linjesteg, Glemmeliste) {
    Fangst f;
    testhjelp::Arbeidsmappe m;
    m.skriv("glemnmea",
            "# comment line\n"
            "tty.usb0: $GPGSA # noisy\n"
            "other: $GPRMC\n"
            "   $GPGLL  \t\n"
            "$GPGSV\n"
            "tty.usb0:   \n"
            "\n");
    f.t.ttynavn = "tty.usb0";
    lesglem(f.t);
    EXPECT_EQ(f.ut(),
              "tolkar: tty.usb0: Skal glemme $GPGSA\n"
              "tolkar: tty.usb0: Skal glemme $GPGLL\n"
              "tolkar: tty.usb0: Skal glemme $GPGSV\n");
    // The list runs from the last entry of the file to the first.
    ASSERT_NE(f.t.forsteglem, nullptr);
    EXPECT_STREQ(f.t.forsteglem->tekst, "$GPGSV");
    const struct {
        const char* linje;
        bool glemt;
    } tabell[] = {
        {"$GPGSV,3,1", true}, {"junk$GPGSV,3,1", true}, // found again through the sentence
        {"$GPGSA,1", true},   {"$GPGLL,1", true},
        {"$GPRMC,1", false},  {"GPGSV,1", false},
        {"$GPGS", false},
    };
    for (const auto& t : tabell) EXPECT_EQ(f.linje(t.linje).hva == U::Glemt, t.glemt) << t.linje;

    // Without a serial line's name the prefix is empty; no file, an empty
    // list.
    Fangst g;
    m.skriv("glemnmea", ":$GPGSV\nx:$GPGSA\n");
    lesglem(g.t);
    EXPECT_EQ(g.ut(), "tolkar: : Skal glemme $GPGSV\n");
    ASSERT_EQ(unlink("glemnmea"), 0);
    lesglem(g.t);
    EXPECT_EQ(g.t.forsteglem, nullptr);
}

TEST(Linjesteg, Replaytid) {
    Fangst f;
    f.sett_tid(100);
    const struct {
        const char* linje;
        int replay;
        int32_t nasekund;
    } steg[] = {
        {"12:00:05 $GPHDT,1,T", 1, 100 + 43205},
        {"$GPHDT,1,T", 1, 100 + 43206}, // a line without a time comes a second later
        {"$GPHDT,1,T", 1, 100 + 43207},
        {"77 $GPHDT,1,T", 1, 177},
        {" 1:2:3 x", 1, 100 + 3723},
        {"99999999999999:0:0", 1, 2147483647}, // saturates, no overflow
        {"1:2222222222222222222222222222:2", 1, 2147483647},
        {"-5", 1, 2147483647},                 // not a time: one more second, saturated
        {"12:00:05", 0, 100},                  // outside replay mode nothing is added
    };
    for (const auto& s : steg) {
        f.linje(s.linje, s.replay);
        EXPECT_EQ(f.t.nasekund, s.nasekund) << s.linje;
    }
}

TEST(Linjesteg, LoggfilFaarRaLinje) {
    Fangst f;
    testhjelp::Arbeidsmappe m;
    f.t.loggefp = std::fopen("raa.log", "w");
    f.linje("$GPHDT,1,T*00\r");
    f.linje("annet");
    FILE* fp = std::fopen("raa.log", "r");
    char buf[100] = {};
    size_t n = std::fread(buf, 1, sizeof buf - 1, fp);
    std::fclose(fp);
    EXPECT_EQ(std::string(buf, n), "$GPHDT,1,T*00\r\nannet\n");
}
