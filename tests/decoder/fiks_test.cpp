// GGA and PSIMGPS through ggadata: what is accepted, the repeat and jump
// filters, the fix window and the course estimate made from it.
#include "decoder/decoders.h"
#include "decoder/fiks.h"

#include "fangst.h"

#include <string>

using namespace decoder;
using testhjelp::Fangst;

namespace {

const std::string kDaarlig = " D\x8C" "rlig GPS\n";

// A GGA body at time t with the given packed latitude and longitude.
void gga(int32_t t, const std::string& bredde, const std::string& lengde = "01000.0000") {
    nasekund = t;
    dekod_gga(("120000.00," + bredde + ",N," + lengde + ",E,1,08,0.9,5.0,M,40.0,M,,").c_str());
}

std::string posisjon(int32_t t, const std::string& bredde, const std::string& lengde = "1000.00000") {
    return std::to_string(t) + " Posisjon " + bredde + " " + lengde +
           ", pdop 0.9, sat 8, diff 0, diffid ukjent\n";
}

} // namespace

TEST(Fiks, HvaGgaGodtar) {
    const struct {
        std::string tekst;
        const char* linje; // after the time; null: "Dårlig GPS"
    } tabell[] = {
        {"123519,4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,0023",
         "Posisjon 4807.03800 1131.00000, pdop 0.9, sat 8, diff 0, diffid 23"},
        // Only the first letter of a hemisphere counts.
        {"1,4807.038,South,01131.000,West,2,08,0.9",
         "Posisjon -4807.03800 -1131.00000, pdop 0.9, sat 8, diff 1, diffid ukjent"},
        // Quality is not tested; truncated, it decides diff.
        {"1,4807.038,N,01131.000,E,,08,0.9", "Posisjon 4807.03800 1131.00000, pdop 0.9, sat 8, diff 0, diffid ukjent"},
        {"1,4807.038,N,01131.000,E,1.9,08,0.9", "Posisjon 4807.03800 1131.00000, pdop 0.9, sat 8, diff 0, diffid ukjent"},
        {"1,4807.038,N,01131.000,E,1e300,99999999999,0.9",
         "Posisjon 4807.03800 1131.00000, pdop 0.9, sat 2147483647, diff 1, diffid ukjent"},
        {"1,4807.038,N,01131.000,E,nan,08,nan",
         "Posisjon 4807.03800 1131.00000, pdop nan, sat 8, diff 0, diffid ukjent"},
        // Station id: zeros go while a digit follows.
        {"1,4807.038,N,01131.000,E,1,08,0.9,,,,,,000", "Posisjon 4807.03800 1131.00000, pdop 0.9, sat 8, diff 0, diffid 0"},
        {"1,4807.038,N,01131.000,E,1,08,0.9,,,,,,00x7", "Posisjon 4807.03800 1131.00000, pdop 0.9, sat 8, diff 0, diffid 0x7"},
        {"1,4807.038,N,01131.000,E,1,08,0.9,,,,,,", "Posisjon 4807.03800 1131.00000, pdop 0.9, sat 8, diff 0, diffid ukjent"},
        {"1,4807.038,N,01131.000,E,1,08", nullptr},  // 7 fields
        {"", nullptr},
        {"1,,N,01131.000,E,1,08,0.9", nullptr},
        {"1,4807.038,X,01131.000,E,1,08,0.9", nullptr},
        {"1,4807.038,,01131.000,E,1,08,0.9", nullptr},
        {"1,4807.038,N,,E,1,08,0.9", nullptr},
        {"1,4807.038,N,01131.000,n,1,08,0.9", nullptr},
        {"1,4807.038,N,01131.000,E,1,,0.9", nullptr},
        {"1,4807.038,N,01131.000,E,1,08,", nullptr},
        // Numbers that are no position would pass every test of ggadata.
        {"1,nan,N,01131.000,E,1,08,0.9", nullptr},
        {"1,4807.038,N,-inf,E,1,08,0.9", nullptr},
        {"1,4807.038,N,1e999,E,1,08,0.9", nullptr},
        {std::string(201, '1'), nullptr},    // too long to split
    };
    for (const auto& t : tabell) {
        Fangst f;
        nasekund = 5000;
        dekod_gga(t.tekst.c_str());
        std::string vent = t.linje ? std::string("5000 ") + t.linje + "\n" : "5000" + kDaarlig;
        EXPECT_EQ(f.ut(), vent) << t.tekst;
        EXPECT_EQ(ant, t.linje ? 1 : 0) << t.tekst;
    }
}

TEST(Fiks, HvaPsimgpsGodtar) {
    const struct {
        const char* tekst;
        const char* linje;
    } tabell[] = {
        {"a,b,5954.000,N,01043.000,E", "Posisjon 5954.00000 1043.00000, pdop 1.0, sat 0, diff 1, diffid ukjent"},
        {",,5954.000,S,01043.000,W", "Posisjon -5954.00000 -1043.00000, pdop 1.0, sat 0, diff 1, diffid ukjent"},
        // No letter is tested: anything but S and W is north and east.
        {",,5954.000,?,01043.000,?", "Posisjon 5954.00000 1043.00000, pdop 1.0, sat 0, diff 1, diffid ukjent"},
        {",,5954.000,N,01043.000", nullptr},
        {",,5954.000,N,,E", nullptr},
        {",,5954.000,,01043.000,E", nullptr},
        {",,nan,N,01043.000,E", nullptr},
    };
    for (const auto& t : tabell) {
        Fangst f;
        nasekund = 7000;
        dekod_imgps(t.tekst);
        EXPECT_EQ(f.ut(), t.linje ? std::string("7000 ") + t.linje + "\n" : "7000" + kDaarlig)
            << t.tekst;
    }
}

TEST(Fiks, SammePosisjonGjentatt) {
    // Seconds after the first fix, and whether the same position is taken.
    const struct {
        int32_t etter;
        bool tatt;
    } tabell[] = {{0, false}, {1, false}, {9, false}, {10, true}, {-1, true}};
    for (const auto& t : tabell) {
        Fangst f;
        gga(1000, "6000.0000");
        f.ut();
        gga(1000 + t.etter, "6000.0000");
        std::string ut = f.ut();
        EXPECT_EQ(ut.substr(0, ut.find('\n') + 1), t.tatt ? posisjon(1000 + t.etter, "6000.00000") : "")
            << t.etter;
    }
}

TEST(Fiks, NullposisjonOgSammeSekund) {
    Fangst f;
    gga(1000, "0000.0000", "00000.0000");
    EXPECT_EQ(f.ut(), "");
    gga(1001, "6000.0000");
    gga(1001, "6000.0001"); // a second fix in the same second
    EXPECT_EQ(f.ut(), posisjon(1001, "6000.00000"));
    EXPECT_EQ(sistepos.bredde, 3600.0);
    EXPECT_EQ(sistepos.tid, 1001);
}

TEST(Fiks, HoppendeGps) {
    // Second fix: seconds after the first, north offset in minutes, known
    // speed, alltidgps, and whether it counts as a hop.
    const struct {
        int32_t etter;
        const char* bredde;
        double fart;
        int alltid;
        bool hopp;
    } tabell[] = {
        {10, "6000.1000", 0, 0, true},   // 36 knots
        {29, "6000.1000", 0, 0, true},   // 12.4 knots
        {30, "6000.1000", 0, 0, false},  // too long after the last fix to be tested
        {10, "6000.0100", 0, 0, false},  // 3.6 knots: not more than 5
        {10, "6000.1000", 11, 0, true},  // more than three times the speed
        {10, "6000.1000", 13, 0, false},
        {10, "6000.1000", 0, 1, false},
        {-5, "6000.1000", 0, 0, true},   // time going back counts one second
        {-6, "6000.1000", 0, 0, false},
    };
    for (const auto& t : tabell) {
        Fangst f;
        alltidgps = t.alltid;
        gga(1000, "6000.0000");
        f.ut();
        sistefart = t.fart;
        const int32_t t2 = 1000 + t.etter;
        gga(t2, t.bredde);
        std::string ut = f.ut();
        if (t.hopp) {
            EXPECT_EQ(ut, std::to_string(t2) + " Hoppende GPS\n") << t.etter << " " << t.bredde;
            EXPECT_EQ(sistepos.tid, 1000);
            EXPECT_EQ(ant, 1);
        } else {
            EXPECT_EQ(ut.substr(0, ut.find('\n') + 1), posisjon(t2, t.bredde + std::string("0")))
                << t.etter << " " << t.bredde;
            EXPECT_EQ(sistepos.tid, t2);
            EXPECT_EQ(ant, 2);
        }
    }
}

TEST(Fiks, HoppetFiksTellerSomForrige) {
    Fangst f;
    gga(1000, "6000.0000");
    gga(1010, "6001.0000");
    f.ut();
    // The hop is still the previous fix: repeated, it is dropped without a word.
    gga(1011, "6001.0000");
    EXPECT_EQ(f.ut(), "");
    // The first position again, 12 s later, is a fix of its own.
    gga(1012, "6000.0000");
    EXPECT_EQ(f.ut().substr(0, 26), "1012 Posisjon 6000.00000 1");
}

TEST(Fiks, VinduetSkyver) {
    const struct {
        int32_t beregnant, fikser, ant, eldste;
    } tabell[] = {
        {10, 10, 10, 0}, {10, 11, 10, 1}, {10, 15, 10, 5}, {3, 5, 3, 2},
        {1, 4, 1, 3},    {0, 4, 1, 3},    {-5, 2, 1, 1},   {5000, 12, 12, 0},
    };
    for (const auto& t : tabell) {
        Fangst f;
        beregnant = t.beregnant;
        for (int i = 0; i < t.fikser; ++i) gga(2000 + i, "6000." + std::to_string(1000 + i));
        EXPECT_EQ(ant, t.ant) << t.beregnant << " " << t.fikser;
        EXPECT_EQ(posfiks[0].tid, 2000 + t.eldste) << t.beregnant << " " << t.fikser;
        EXPECT_EQ(posfiks[ant - 1].tid, 2000 + t.fikser - 1);
        EXPECT_EQ(sistepos.tid, 2000 + t.fikser - 1);
    }
}

TEST(Fiks, KursfartViketForRmcOgVtg) {
    // Time of the second fix against rmctid, and whether it estimates.
    const struct {
        int32_t mot_rmctid;
        bool kurslinje;
    } tabell[] = {{-1, true}, {0, false}, {8, false}, {9, true}};
    for (const auto& t : tabell) {
        Fangst f;
        rmctid = 5000 - 100;
        gga(4999, "6000.0000");
        rmctid = 5000 - t.mot_rmctid;
        gga(5000, "6000.0010");
        std::string ut = f.ut();
        EXPECT_EQ(ut.find("Kurs") != std::string::npos, t.kurslinje) << t.mot_rmctid << "\n" << ut;
    }
}

TEST(Fiks, KursFraVinduet) {
    Fangst f;
    // Steaming east at 60 degrees north, 0.001 nautical miles a second.
    char lengde[16];
    for (int i = 0; i < 8; ++i) {
        std::snprintf(lengde, sizeof lengde, "01000.%04d", 20 * i);
        gga(3000 + i, "6000.0000", lengde);
    }
    // No speed from one fix; a course only from six fixes on.
    std::string ut = f.ut();
    EXPECT_EQ(ut.find("3000 Kurs"), std::string::npos) << ut;
    EXPECT_NE(ut.find("3001 Kurs 0.0, knop 3.6\n"), std::string::npos) << ut;
    EXPECT_NE(ut.find("3004 Kurs 0.0, knop 3.6\n"), std::string::npos) << ut;
    EXPECT_NE(ut.find("3005 Kurs 90.0, knop 3.6\n"), std::string::npos) << ut;
    EXPECT_NEAR(sistefart, 3.6, 1e-6);
    // Stopped: the speed follows, the course stays.
    beregnant = 8;
    for (int i = 0; i < 8; ++i) gga(3010 + i * 20, "6000.0000", lengde);
    ut = f.ut();
    EXPECT_NE(ut.find("3150 Kurs 90.0, knop 0.0\n"), std::string::npos) << ut;
    EXPECT_EQ(sistefart, 0.0);
}
