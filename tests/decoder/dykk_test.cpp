// A short dive replayed through the whole loop: the vessel steams slowly
// north with the ROV ahead of it, the GPS hops once, one report is north-up,
// one has no fix, and the last two come 99 and 100 s after the last GPS fix.
#include "fangst.h"

#include <sstream>
#include <string>
#include <vector>

using namespace decoder;
using testhjelp::Fangst;

namespace {

// The lines of the output that the positioning reports wrote.
std::vector<std::string> hpr_linjer(const std::string& ut) {
    std::vector<std::string> v;
    std::istringstream inn(ut);
    for (std::string l; std::getline(inn, l);)
        if (l.find(" HPR ") != std::string::npos || l.find(" sistepos : ") != std::string::npos)
            v.push_back(l);
    return v;
}

} // namespace

TEST(Dykk, ReplayGirOverlayverdier) {
    Fangst f;
    testhjelp::Arbeidsmappe m;
    FILE* fp = std::fopen(TEST_DATA_DIR "/dykk.nmea", "r");
    ASSERT_NE(fp, nullptr);
    tolkar(f.t, fp, nullptr, 1, 0);
    std::fclose(fp);
    std::string ut = f.ut();
    EXPECT_EQ(f.feil(), "");

    // Replay times: the frozen clock 1000000 plus 12:00:00 and the seconds after.
    const std::vector<std::string> vent = {
        "1043201 sistepos : 3594.000300,643.000000,1043201",
        "1043201 HPR B33,0.0166,29.5,40.5",
        "1043201 HPR POS : 3594.015959,643.005400",
        "1043203 sistepos : 3594.000900,643.000000,1043203",
        "1043203 HPR B33,0.0155,31.8,41.5",
        "1043203 HPR POS : 3594.015479,643.005400",
        "1043205 sistepos : 3594.001500,643.000000,1043205",
        "1043205 HPR B33,0.0145,34.3,42.5",
        "1043205 HPR POS : 3594.014999,643.005400",
        // The hop at 12:00:06 did not move the vessel.
        "1043207 sistepos : 3594.002100,643.000000,1043207",
        "1043207 HPR B33,0.0135,37.0,43.5",
        "1043207 HPR POS : 3594.014519,643.005400",
        "1043208 sistepos : 3594.002400,643.000000,1043208",
        "1043208 HPR B33,0.0130,65.6,44.0",
        "1043208 HPR POS : 3594.007800,643.011879",
        "1043209 sistepos : 3594.002700,643.000000,1043209",
        "1043209 HPR B33,0.0126,40.0,44.5",
        "1043209 HPR POS : 3594.014039,643.005400",
        "1043210 sistepos : 3594.003000,643.000000,1043210",
        "1043210 HPR B33,-1,-1,-1",
        "1043211 sistepos : 3594.003300,643.000000,1043211",
        "1043211 HPR B33,0.0116,43.3,45.5",
        "1043211 HPR POS : 3594.013559,643.005400",
        "1043311 sistepos : 3594.003600,643.000000,1043212",
        "1043311 HPR B33,0.0060,79.4,45.5",
        "1043311 HPR POS : 3594.006300,643.005400",
        "1043312 sistepos : 3594.003600,643.000000,1043212",
        "1043312 HPR B33,0.0063,75.0,46.0",
    };
    EXPECT_EQ(hpr_linjer(ut), vent) << ut;
    EXPECT_NE(ut.find("1043206 Hoppende GPS\n"), std::string::npos) << ut;
    EXPECT_NE(ut.find("1043212 Posisjon 5954.00360 1043.00000, pdop 1.0, sat 9, diff 1, diffid 123\n"),
              std::string::npos)
        << ut;

    // The values of the report 99 s after the last fix; the one at 100 s came too late.
    constexpr auto r = std::memory_order_relaxed;
    EXPECT_DOUBLE_EQ(f.t.gLatBoat.load(r), 3594.0036);
    EXPECT_DOUBLE_EQ(f.t.gLonBoat.load(r), 643.0);
    EXPECT_DOUBLE_EQ(f.t.gLat.load(r), 5.0 / 1852);
    EXPECT_DOUBLE_EQ(f.t.gLon.load(r), 10.0 / 1852);
    EXPECT_TRUE(f.t.gHeadUp.load(r));
    EXPECT_FLOAT_EQ(f.t.gHeadingBoat.load(r), 16.0f);
}
