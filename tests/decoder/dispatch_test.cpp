// Which handler a line reaches: the instrument line shapes, the key table
// with its special-target conditions, and the forget list.
#include "decoder/dispatch.h"

#include "decoder/decoders.h"
#include "fangst.h"

#include <string>

using namespace decoder;
using testhjelp::Fangst;
using U = Linjeutfall;

namespace {
Linjeutfall kjor(const std::string& l) {
    char buf[1024];
    std::string kopi = l.substr(0, 1023);
    kopi.copy(buf, kopi.size());
    buf[kopi.size()] = '\0';
    return linjesteg(buf, testhjelp::falsk_tid(), 0);
}
std::string nokkel(const Linjeutfall& u) { return u.rad ? u.rad->nokkel : "-"; }
} // namespace

TEST(Dispatch, Instrumentlinjer) {
    struct Tilfelle {
        const char* linje;
        int slag; // 0: not an instrument line
    };
    const Tilfelle tabell[] = {
        {"D1,12.3,4", 1},
        {"D2,", 1},
        {"D3,x", 0},
        {"D3xxxFxxxxSxxxx", 2},   // 15 characters, D + digit 0-7, F at 6, S at 11
        {"D7xxxFxxxxSxxxx", 2},
        {"D8xxxFxxxxSxxxx", 0},
        {"D3xxxFxxxxSxxx", 0},    // 14 characters
        {"@IITPT,1,2", 3},
        {"xxxxxxm", 4},           // "m" at 7 wins before any sentence
        {"$GPHDTm,1", 4},
        {"DxxxxxC", 5},
        {"D12345C,1,2", 5},
        {"1 33 A word 1.0 2.0 3.0 4.0 5.0", 6},
        {"1 33 A word 1.0 2.0 3.0 4.0", 0},
        {"1 33 A word 1.0 2.0 3.0 4.0 5.0 and more", 6},
        {"$GPHDT,1,T", 0},
    };
    for (const auto& t : tabell) {
        Fangst f;
        Linjeutfall u = kjor(t.linje);
        if (t.slag) {
            EXPECT_EQ(u.hva, U::Instrument) << t.linje;
            EXPECT_EQ(u.slag, t.slag) << t.linje;
        } else {
            EXPECT_NE(u.hva, U::Instrument) << t.linje;
        }
    }
}

TEST(Dispatch, Hpr300OrdKanIkkeRenneOver) {
    Fangst f;
    // A word as long as the whole line still fits the scan buffer.
    std::string l = "1 2 A " + std::string(1000, 'w') + " 1 2 3 4 5";
    EXPECT_EQ(kjor(l).slag, 6);
}

TEST(Dispatch, Hpr300FormenErDenDekoderenLeser) {
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
        bool form, lest;
        {
            Fangst f;
            form = kjor(l).slag == 6;
        }
        {
            Fangst f;
            dekod_HPR300P(l);
            lest = f.ut().starts_with("HPR300 : ");
        }
        EXPECT_EQ(form, lest) << l;
    }
}

TEST(Dispatch, Nokler) {
    struct Tilfelle {
        const char* setning;
        const char* nokkel; // "-": dropped
    };
    const Tilfelle tabell[] = {
        {"$GPGGA,1", "GGA,"},     {"$INGGA,1", "GGA,"},
        {"$SDDBS,1", "DBS,"},     {"$IIDBS,1", "-"},
        {"$SMDBS,1", "SMDBS,"},   {"$SDDBT,1", "DBT,"},
        {"$HEHDT,1", "HDT,"},     {"$GPRMC,1", "RMC,"},
        {"!AIVDM,1", "VDM,"},     {"!AIVDO,1", "VDO,"},
        {"$PSTXR,1", "PSTXR,"},   {"$PSIMSSB,1", "PSIMSSB,"},
        {"$PFEC,GPatt,1", "PFEC,GPatt,"}, {"$PFEC,GPxxx,1", "-"},
        {"$PJRCD,GP,5,1", "PJRCD,GP,5,"}, {"$PRHS,VTC,1", "PRHS,VTC,"},
        {"$MA,12", "MA,"},        {"$GPMA,1", "-"},     // a key at P stands in the talker's place
        {"$GPXYZ,1", "-"},        {"$GPHDT", "-"},      // the comma is part of the key
        {"$PSIMS1,1", "PSIMS1,"}, {"$PSIMH2,1", "PSIMH2,"},
    };
    for (const auto& t : tabell) {
        Fangst f;
        Linjeutfall u = kjor(t.setning);
        EXPECT_EQ(nokkel(u), t.nokkel) << t.setning;
    }
}

TEST(Dispatch, SpesialmaalStopperEgneFartoysdata) {
    const char* stoppet[] = {"$GPGGA,1", "$GPVTG,1", "$GPZDA,1", "$GPOSD,1",
                             "$GPHDT,1", "$GPHDM,1", "$GPHDG,1"};
    for (const char* s : stoppet) {
        Fangst f;
        spesialrmc = "Mål";
        EXPECT_EQ(kjor(s).hva, U::Forkastet) << s;
        spesialrmc = nullptr;
        EXPECT_EQ(kjor(s).hva, U::Dekodet) << s;
    }
    Fangst f;
    spesialrmc = "B";
    EXPECT_EQ(nokkel(kjor("$GPRMC,1")), "RMC,");
    EXPECT_EQ(nokkel(kjor("$SDDPT,1")), "DPT,");
}

TEST(Dispatch, Glemmeliste) {
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
    ttynavn = "tty.usb0";
    lesglem();
    EXPECT_EQ(f.ut(),
              "tolkar: tty.usb0: Skal glemme $GPGSA\n"
              "tolkar: tty.usb0: Skal glemme $GPGLL\n"
              "tolkar: tty.usb0: Skal glemme $GPGSV\n");
    // The list runs from the last entry of the file to the first.
    ASSERT_NE(forsteglem, nullptr);
    EXPECT_STREQ(forsteglem->tekst, "$GPGSV");

    struct Tilfelle {
        const char* linje;
        bool glemt;
    };
    const Tilfelle tabell[] = {
        {"$GPGSV,3,1", true},    {"junk$GPGSV,3,1", true}, // found again through the sentence
        {"$GPGSA,1", true},      {"$GPGLL,1", true},
        {"$GPRMC,1", false},     {"GPGSV,1", false},
        {"$GPGS", false},
    };
    for (const auto& t : tabell) EXPECT_EQ(kjor(t.linje).hva == U::Glemt, t.glemt) << t.linje;
}

TEST(Dispatch, GlemmelisteUtenFilEllerTom) {
    Fangst f;
    testhjelp::Arbeidsmappe m;
    ttynavn = "ttyS0";
    lesglem();
    EXPECT_EQ(forsteglem, nullptr);
    m.skriv("glemnmea", "");
    lesglem();
    EXPECT_EQ(forsteglem, nullptr);
    EXPECT_EQ(f.ut(), "");
}

TEST(Dispatch, GlemmelisteUtenTtyNavnBrukerTomtPrefiks) {
    Fangst f;
    testhjelp::Arbeidsmappe m;
    m.skriv("glemnmea", ":$GPGSV\nx:$GPGSA\n");
    lesglem();
    EXPECT_EQ(f.ut(), "tolkar: : Skal glemme $GPGSV\n");
}
