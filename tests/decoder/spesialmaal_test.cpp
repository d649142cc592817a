// Special-target mode and radar targets: another unit's positions are
// reported for it and never taken as the vessel's, and a radar that sends
// TTM and TLL is logged through TTM alone.
#include "fangst.h"

#include <string>

using testhjelp::Fangst;

namespace {
const std::string kSpesial = "Spesialm\x8C" "l ";
}

TEST(Spesialmaal, LinjerMedLinjensNavn) {
    testhjelp::Tidssone tz("UTC");
    Fangst f;
    f.t.spesialrmc = "ROV1";
    f.t.nasekund = 60;
    f.t.rmctid = 3;
    f.setning("$GPRMC,083501.00,A,5954.000,S,01043.000,W,3.5,87.0,031209");
    // Whole-field hemisphere tests: "S" and "W" negate, "South" does not.
    f.setning("$GPRMC,083501.00,A,5954.000,South,01043.000,West,3.5,87.0,031209");
    f.t.ttynavn = "ttyUSB0";
    f.setning("$GPWPL,5930.000,N,01030.000,E,WP1");
    f.setning("$RATLL,3,5930.000,N,01030.000,E,BOAT,123456,T,");
    EXPECT_EQ(f.ut(), "60 " + kSpesial + "rmc,-3594.00000,-643.00000,3.5,87.0,ROV1\n"
                      "60 " + kSpesial + "rmc,3594.00000,643.00000,3.5,87.0,ROV1\n"
                      "60 " + kSpesial + "ttyUSB0wplWP1,3570.00000,630.00000,0,0,WP1\n"
                      "60 " + kSpesial + "ttyUSB0tll3,3570.00000,630.00000,0,0,3\n");
    // Another unit's speed and time are not ours.
    EXPECT_EQ(f.t.rmctid, 3);
    EXPECT_EQ(f.t.sistefart, 0.0);
}

TEST(Spesialmaal, TllHoldesTilbakeEtterTtm) {
    Fangst f;
    const std::string tll = "$RATLL,3,5930.000,N,01030.000,E,BOAT,123456,T,";
    const std::string linje = kSpesial + "tll3,3570.00000,630.00000,0,0,3\n";
    f.t.nasekund = 1000;
    f.setning(tll); // no TTM yet
    EXPECT_EQ(f.ut(), "1000 " + linje);
    f.setning("$RATTM,7,1.852,45,,1.852,90,R,1.852,5.5,N,BOAT,T");
    EXPECT_EQ(f.t.arpatid, 1000);
    f.ut();
    const struct {
        int32_t t;
        bool skrevet;
    } steg[] = {{1000, false}, {1059, false}, {1060, true}, {999, false}};
    for (const auto& s : steg) {
        f.t.nasekund = s.t;
        f.setning(tll);
        EXPECT_EQ(f.ut(), s.skrevet ? std::to_string(s.t) + " " + linje : "") << s.t;
    }
}
