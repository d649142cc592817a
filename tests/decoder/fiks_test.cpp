// The fix filters of GGA and PSIMGPS (repeats, zero positions, jumps), the
// fix window and the course estimated from it.
#include "fangst.h"

#include <string>

using testhjelp::Fangst;

namespace {

// A GGA at decoder time t with the given packed latitude and longitude.
void gga(Fangst& f, int32_t t, const std::string& bredde, const std::string& lengde = "01000.0000") {
    f.t.nasekund = t;
    f.setning("$GPGGA,120000.00," + bredde + ",N," + lengde + ",E,1,08,0.9,5.0,M,40.0,M,,");
}

std::string posisjon(int32_t t, const std::string& bredde) {
    return std::to_string(t) + " Posisjon " + bredde + " 1000.00000, pdop 0.9, sat 8, diff 0, diffid ukjent\n";
}

std::string forste_linje(const std::string& s) { return s.substr(0, s.find('\n') + 1); }

} // namespace

TEST(Fiks, GjentattEllerHoppende) {
    // The second fix: seconds after the first, its latitude, the known
    // speed, alltidgps, and what it gives ("": nothing, "hopp": a jump).
    const struct {
        int32_t etter;
        const char* bredde;
        double fart;
        int alltid;
        const char* utfall;
    } tabell[] = {
        {0, "6000.0000", 0, 0, ""},   // the same position again, within 10 s
        {9, "6000.0000", 0, 0, ""},
        {10, "6000.0000", 0, 0, "6000.00000"},
        {-1, "6000.0000", 0, 0, "6000.00000"},
        {0, "6000.0001", 0, 0, ""},   // at most one fix a second
        {10, "6000.1000", 0, 0, "hopp"}, // 36 knots
        {29, "6000.1000", 0, 0, "hopp"}, // 12.4 knots
        {30, "6000.1000", 0, 0, "6000.10000"}, // too long after the last fix to be tested
        {10, "6000.0100", 0, 0, "6000.01000"}, // 3.6 knots: not more than 5
        {10, "6000.1000", 11, 0, "hopp"},      // more than three times the speed
        {10, "6000.1000", 13, 0, "6000.10000"},
        {10, "6000.1000", 0, 1, "6000.10000"},
        {-5, "6000.1000", 0, 0, "hopp"}, // time going back counts one second
        {-6, "6000.1000", 0, 0, "6000.10000"},
    };
    for (const auto& t : tabell) {
        Fangst f;
        f.t.alltidgps = t.alltid;
        gga(f, 1000, "6000.0000");
        f.ut();
        f.t.sistefart = t.fart;
        const int32_t t2 = 1000 + t.etter;
        gga(f, t2, t.bredde);
        const std::string utfall = t.utfall;
        const bool tatt = !utfall.empty() && utfall != "hopp";
        const std::string vent = utfall == "hopp" ? std::to_string(t2) + " Hoppende GPS\n"
                                 : tatt           ? posisjon(t2, utfall)
                                                  : "";
        EXPECT_EQ(forste_linje(f.ut()), vent) << t.etter << " " << t.bredde;
        EXPECT_EQ(f.t.sistepos.tid, tatt ? t2 : 1000);
        EXPECT_EQ(f.t.ant, tatt ? 2 : 1);
    }
}

TEST(Fiks, HoppetFiksTellerSomForrige) {
    Fangst f;
    gga(f, 1000, "6000.0000");
    gga(f, 1010, "6001.0000");
    f.ut();
    // The hop is still the previous fix: repeated, it is dropped without a word.
    gga(f, 1011, "6001.0000");
    EXPECT_EQ(f.ut(), "");
    // The first position again, 12 s later, is a fix of its own.
    gga(f, 1012, "6000.0000");
    EXPECT_EQ(forste_linje(f.ut()), posisjon(1012, "6000.00000"));
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
        f.t.beregnant = t.beregnant;
        for (int i = 0; i < t.fikser; ++i) gga(f, 2000 + i, "6000." + std::to_string(1000 + i));
        EXPECT_EQ(f.t.ant, t.ant) << t.beregnant << " " << t.fikser;
        EXPECT_EQ(f.t.posfiks[0].tid, 2000 + t.eldste) << t.beregnant << " " << t.fikser;
        EXPECT_EQ(f.t.posfiks[f.t.ant - 1].tid, 2000 + t.fikser - 1);
        EXPECT_EQ(f.t.sistepos.tid, 2000 + t.fikser - 1);
    }
}

TEST(Fiks, KursFraVinduetNaarRmcOgVtgTier) {
    // The time of the second fix against rmctid, and whether it estimates.
    const struct {
        int32_t mot_rmctid;
        bool kurslinje;
    } tabell[] = {{-1, true}, {0, false}, {8, false}, {9, true}};
    for (const auto& t : tabell) {
        Fangst f;
        f.t.rmctid = 5000 - 100;
        gga(f, 4999, "6000.0000");
        f.t.rmctid = 5000 - t.mot_rmctid;
        gga(f, 5000, "6000.0010");
        EXPECT_EQ(f.ut().find("Kurs") != std::string::npos, t.kurslinje) << t.mot_rmctid;
    }

    Fangst f;
    // Steaming east at 60 degrees north, 0.001 nautical miles a second.
    char lengde[16];
    for (int i = 0; i < 8; ++i) {
        std::snprintf(lengde, sizeof lengde, "01000.%04d", 20 * i);
        gga(f, 3000 + i, "6000.0000", lengde);
    }
    // No speed from one fix; a course only from six fixes on.
    std::string ut = f.ut();
    EXPECT_EQ(ut.find("3000 Kurs"), std::string::npos) << ut;
    EXPECT_NE(ut.find("3001 Kurs 0.0, knop 3.6\n"), std::string::npos) << ut;
    EXPECT_NE(ut.find("3004 Kurs 0.0, knop 3.6\n"), std::string::npos) << ut;
    EXPECT_NE(ut.find("3005 Kurs 90.0, knop 3.6\n"), std::string::npos) << ut;
    EXPECT_NEAR(f.t.sistefart, 3.6, 1e-6);
    // Stopped: the speed follows, the course stays.
    f.t.beregnant = 8;
    for (int i = 0; i < 8; ++i) gga(f, 3010 + i * 20, "6000.0000", lengde);
    EXPECT_NE(f.ut().find("3150 Kurs 90.0, knop 0.0\n"), std::string::npos);
    EXPECT_EQ(f.t.sistefart, 0.0);
}
