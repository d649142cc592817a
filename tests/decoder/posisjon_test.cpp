// Underwater positioning: when a transponder fix moves the overlay, which
// way a head-up fix is turned, what an invalid one writes, the HPR 300 text
// and the ROV telemetry line.
#include "decoder/decoders.h"
#include "decoder/overlegg.h"

#include "fangst.h"

#include <climits>
#include <cmath>
#include <string>

using namespace decoder;
using testhjelp::Fangst;

namespace {

constexpr auto r = std::memory_order_relaxed;

// Overlay values a report would never give, so that "unchanged" is visible.
void merk_overlay(Tolk& t) {
    t.gLatBoat.store(-1, r);
    t.gLonBoat.store(-2, r);
    t.gLat.store(-3, r);
    t.gLon.store(-4, r);
    t.gHeadUp.store(true, r);
}

bool overlay_urort(const Tolk& t) {
    return t.gLatBoat.load(r) == -1 && t.gLonBoat.load(r) == -2 && t.gLat.load(r) == -3 &&
           t.gLon.load(r) == -4 && t.gHeadUp.load(r);
}

const char* kNordopp = "123456.00,B33,A,,C,N,M,100.0,0.0,50.0";

} // namespace

TEST(Posisjon, FiksSetterOverlay) {
    // North-up: X east, Y north. Head-up: X forward, Y to starboard, and the
    // bearing turned by the vessel heading; the offset stays in the vessel's
    // frame, for the overlay to turn.
    const struct {
        const char* xy;
        char orientering;
        double heading;
        const char* linje;
        double lat, lon;
    } tabell[] = {
        {"100.0,0.0", 'N', 0, "HPR B33,0.0540,90.0,50.0", 0, 100.0 / 1852},
        {"0.0,100.0", 'H', 90, "HPR B33,0.0540,180.0,50.0", 0, 100.0 / 1852},
        {"100.0,0.0", 'H', 90, "HPR B33,0.0540,90.0,50.0", 100.0 / 1852, 0},
        {"-100.0,0.0", 'H', 300, "HPR B33,0.0540,120.0,50.0", -100.0 / 1852, 0},
    };
    for (const auto& t : tabell) {
        Fangst f;
        f.t.nasekund = 5010;
        f.t.sistepos = fiks{3594.0, 643.0, 5000};
        f.t.sistehprheading = t.heading;
        merk_overlay(f.t);
        dekod_imssb(f.t, (std::string("123456.00,B33,A,,C,") + t.orientering + ",M," + t.xy + ",50.0").c_str());
        char pos[80];
        std::snprintf(pos, sizeof pos, "5010 HPR POS : %lf,%lf\n", 3594.0 + t.lat, 643.0 + t.lon);
        EXPECT_EQ(f.ut(), std::string("5010 sistepos : 3594.000000,643.000000,5000\n5010 ") + t.linje + "\n" + pos)
            << t.xy;
        EXPECT_EQ(f.t.gLatBoat.load(r), 3594.0);
        EXPECT_EQ(f.t.gLonBoat.load(r), 643.0);
        EXPECT_DOUBLE_EQ(f.t.gLat.load(r), t.lat) << t.xy;
        EXPECT_DOUBLE_EQ(f.t.gLon.load(r), t.lon) << t.xy;
        EXPECT_EQ(f.t.gHeadUp.load(r), t.orientering == 'H');
        // The rest of the fix, read whole: its time, depth and the heading it was turned by.
        const Overleggsfiks fiks = les_fiks(f.t);
        EXPECT_EQ(fiks.tid, 5010);
        EXPECT_EQ(fiks.dybde, 50.0);
        EXPECT_EQ(fiks.heading, t.orientering == 'H' ? t.heading : 0) << t.xy;
    }
}

TEST(Posisjon, FiksensAlder) {
    // Time of the GPS fix (0: no fix yet), now, and whether the overlay moves.
    const struct {
        int32_t fikstid, naa;
        bool flytter;
    } tabell[] = {
        {5000, 5010, true}, {5000, 5099, true}, {5000, 5100, false},
        {5000, 4990, true}, // clock gone back
        {0, 50, false},
        {INT32_MIN + 1, INT32_MAX, false},
    };
    for (const auto& t : tabell) {
        Fangst f;
        f.t.sistepos = fiks{3594.0, 643.0, t.fikstid};
        f.t.nasekund = t.naa;
        merk_overlay(f.t);
        dekod_imssb(f.t, kNordopp);
        const std::string ut = f.ut();
        EXPECT_NE(ut.find(" HPR B33,0.0540,90.0,50.0\n"), std::string::npos) << ut;
        EXPECT_EQ(ut.find("HPR POS") != std::string::npos, t.flytter) << ut;
        EXPECT_EQ(!overlay_urort(f.t), t.flytter) << t.fikstid << " " << t.naa;
    }
}

TEST(Posisjon, UgyldigSsb) {
    const std::string ingen = "9 HPR B33,-1,-1,-1\n";
    const struct {
        std::string tekst;
        double heading;
        std::string linje; // the line after "sistepos"
    } tabell[] = {
        {"123456.00,B33,V,,C,N,M,100.0,0.0,50.0", 0, ingen},
        {"123456.00,B33,A,,C,N,M,100.0,0.0", 0, ingen},
        {"123456.00,B33", 0, ingen},
        {"123456.00,B33,A,,C,Q,M,100.0,0.0,50.0", 0, ingen},
        {"123456.00,B33,A,,C,H,M,100.0,0.0,50.0", -999.0, ingen}, // no heading known
        {"0,B33,A,,C,H,M,100.0,0.0,50.0", 10, ingen},
        // Values the overlay cannot show.
        {"123456.00,B33,A,,C,N,M,nan,0.0,50.0", 0, ingen},
        {"123456.00,B33,A,,C,N,M,1.0,1e999,50.0", 0, ingen},
        {"123456.00,,A,,C,N,M,100.0,0.0,50.0", 0, "Feil med HPR\n"},
        {"", 0, "Feil med HPR\n"},
        // A code longer than its buffer is cut; the fix still counts.
        {"1," + std::string(150, 'k') + ",A,,C,N,M,100.0,0.0,50.0", 0,
         "9 HPR " + std::string(99, 'k') + ",0.0540,90.0,50.0\n"},
        {"1," + std::string(150, 'k') + ",V", 0, "9 HPR " + std::string(99, 'k') + ",-1,-1,-1\n"},
    };
    for (const auto& t : tabell) {
        Fangst f;
        f.t.nasekund = 9;
        f.t.sistehprheading = t.heading;
        merk_overlay(f.t);
        dekod_imssb(f.t, t.tekst.c_str());
        EXPECT_EQ(f.ut(), "9 sistepos : 0.000000,0.000000,0\n" + t.linje) << t.tekst;
        EXPECT_TRUE(overlay_urort(f.t)) << t.tekst;
    }
}

TEST(Posisjon, Hpr300) {
    Fangst f;
    f.sett_tid(700);
    f.t.sistepos = fiks{3594.0, 643.0, 690};
    f.linje("33 1 A x 1 2 3 4 5");
    // Transponder 33 is the ROV's, placed heading-oriented with X 2, Y 3, depth 4.
    EXPECT_EQ(f.ut(), "HPR300 : 33 1 A x 1 2 3 4 5700 sistepos : 3594.000000,643.000000,690\n"
                      "700 HPR 33,0.0019,56.3,4.0\n"
                      "700 HPR POS : 3594.001080,643.001620\n");
    EXPECT_TRUE(f.t.gHeadUp.load(r));
    EXPECT_DOUBLE_EQ(f.t.gLat.load(r), 2.0 / 1852);
    merk_overlay(f.t);
    // Other transponders are only echoed; a distance beyond the float range
    // reads as infinite and is refused as a fix.
    f.linje("99999999999 1 A x 1 2 3 4 5");
    EXPECT_EQ(f.ut(), "HPR300 : 99999999999 1 A x 1 2 3 4 5");
    f.linje("33 1 A x 1 1e39 3 4 5");
    EXPECT_NE(f.ut().find("700 HPR 33,-1,-1,-1\n"), std::string::npos);
    EXPECT_TRUE(overlay_urort(f.t));
}

TEST(Posisjon, Rov) {
    const struct {
        const char* linje;
        const char* ut; // after the time; null: nothing
        double dybde, hoyde;
        int32_t heading;
    } tabell[] = {
        {"D012.5C270.6A003.2O", "ROV depth 12.50 heading 271 elevation 3.20", 12.5, 3.2f, 270},
        {"D012.5C359.9A--.-O", "ROV depth 12.50 heading 360 elevation 0.0", 12.5, 0, 359},
        {"D-01.0C-10.7A1", "ROV depth -1.00 heading -11 elevation 1.00", -1, 1, -10},
        {"D012.5C1e39A--.-O", "ROV depth 12.50 heading inf elevation 0.0", 12.5, 0, INT32_MAX},
        {"D012.5Cnan", "ROV depth 12.50 heading nan elevation 0.0", 12.5, 0, 0},
        {"D012.5Cx", nullptr, 7, 7, 7},
    };
    for (const auto& t : tabell) {
        Fangst f;
        f.t.nasekund = 4;
        f.t.gDepth.store(7, r);
        f.t.gAlti.store(7, r);
        f.t.gHeadingROV.store(7, r);
        dekod_ROV(f.t, t.linje);
        EXPECT_EQ(f.ut(), t.ut ? std::string("4 ") + t.ut + "\n" : "") << t.linje;
        EXPECT_FLOAT_EQ(f.t.gDepth.load(r), t.dybde) << t.linje;
        EXPECT_FLOAT_EQ(f.t.gAlti.load(r), t.hoyde) << t.linje;
        EXPECT_EQ(f.t.gHeadingROV.load(r), t.heading) << t.linje;
        // The depth's time is that of the line; a line not read leaves it unset.
        EXPECT_EQ(std::isnan(f.t.tidDybde.load(r)), t.ut == nullptr) << t.linje;
    }
}
