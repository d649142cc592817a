// Underwater positioning: when a transponder fix moves the overlay, what an
// invalid one writes, the bounded texts, and the ROV telemetry line.
#include "decoder/decoders.h"

#include "fangst.h"

#include <climits>
#include <string>

using namespace decoder;
using testhjelp::Fangst;

namespace {

constexpr auto r = std::memory_order_relaxed;

// The overlay values, set to something a report would never give so that
// "unchanged" is visible.
void merk_overlay() {
    gLatBoat.store(-1, r);
    gLonBoat.store(-2, r);
    gLat.store(-3, r);
    gLon.store(-4, r);
    gHeadUp.store(true, r);
}

bool overlay_urort() {
    return gLatBoat.load(r) == -1 && gLonBoat.load(r) == -2 && gLat.load(r) == -3 &&
           gLon.load(r) == -4;
}

const char* kNordopp = "123456.00,B33,A,,C,N,M,100.0,0.0,50.0";

} // namespace

TEST(Posisjon, NordoppSetterOverlay) {
    Fangst f;
    nasekund = 5010;
    sistepos = fiks{3594.0, 643.0, 5000};
    merk_overlay();
    dekod_imssb(kNordopp);
    EXPECT_EQ(f.ut(), "5010 sistepos : 3594.000000,643.000000,5000\n"
                      "5010 HPR B33,0.0540,90.0,50.0\n"
                      "5010 HPR POS : 3594.000000,643.053996\n");
    EXPECT_EQ(gLatBoat.load(r), 3594.0);
    EXPECT_EQ(gLonBoat.load(r), 643.0);
    EXPECT_EQ(gLat.load(r), 0.0);
    EXPECT_DOUBLE_EQ(gLon.load(r), 100.0 / 1852);
    EXPECT_FALSE(gHeadUp.load(r));
}

TEST(Posisjon, HeadingOrientert) {
    // X forward, Y to starboard, vessel heading: the true bearing.
    const struct {
        const char* xy;
        double heading;
        const char* linje;
        double lat, lon;
    } tabell[] = {
        {"0.0,100.0", 90, "HPR B33,0.0540,180.0,50.0", 0, 100.0 / 1852},
        {"100.0,0.0", 90, "HPR B33,0.0540,90.0,50.0", 100.0 / 1852, 0},
        {"-100.0,0.0", 300, "HPR B33,0.0540,120.0,50.0", -100.0 / 1852, 0},
        {"0.0,100.0", 0, "HPR B33,0.0540,90.0,50.0", 0, 100.0 / 1852},
    };
    for (const auto& t : tabell) {
        Fangst f;
        nasekund = 5010;
        sistepos = fiks{3594.0, 643.0, 5000};
        sistehprheading = t.heading;
        dekod_imssb((std::string("123456.00,B33,A,,C,H,M,") + t.xy + ",50.0").c_str());
        std::string ut = f.ut();
        EXPECT_NE(ut.find(std::string("5010 ") + t.linje + "\n"), std::string::npos) << ut;
        // The offset stays in the vessel's frame; the overlay turns it.
        EXPECT_DOUBLE_EQ(gLat.load(r), t.lat) << t.xy;
        EXPECT_DOUBLE_EQ(gLon.load(r), t.lon) << t.xy;
        EXPECT_TRUE(gHeadUp.load(r));
    }
}

TEST(Posisjon, FiksensAlder) {
    // Seconds since the GPS fix (null fix: no fix yet) and whether the overlay moves.
    const struct {
        int32_t fikstid, naa;
        bool flytter;
    } tabell[] = {
        {5000, 5010, true}, {5000, 5099, true}, {5000, 5100, false},
        {5000, 4990, true},  // clock gone back
        {0, 50, false},      // no fix yet
        {INT32_MIN + 1, INT32_MAX, false},
    };
    for (const auto& t : tabell) {
        Fangst f;
        sistepos = fiks{3594.0, 643.0, t.fikstid};
        nasekund = t.naa;
        merk_overlay();
        dekod_imssb(kNordopp);
        std::string ut = f.ut();
        EXPECT_NE(ut.find(" HPR B33,0.0540,90.0,50.0\n"), std::string::npos) << ut;
        EXPECT_EQ(ut.find("HPR POS"), t.flytter ? ut.find("HPR POS") : std::string::npos);
        EXPECT_EQ(!overlay_urort(), t.flytter) << t.fikstid << " " << t.naa;
    }
}

TEST(Posisjon, UgyldigSsb) {
    const struct {
        std::string tekst;
        double heading;
        std::string linje; // the line after "sistepos"
    } tabell[] = {
        {"123456.00,B33,V,,C,N,M,100.0,0.0,50.0", 0, "9 HPR B33,-1,-1,-1\n"},
        {"123456.00,B33,A,,C,N", 0, "9 HPR B33,-1,-1,-1\n"},
        {"123456.00,B33,A,,C,N,M,100.0,0.0", 0, "9 HPR B33,-1,-1,-1\n"},
        {"123456.00,B33,X", 0, "9 HPR B33,-1,-1,-1\n"},
        {"123456.00,B33", 0, "9 HPR B33,-1,-1,-1\n"},
        {"123456.00,B33,A,,C,Q,M,100.0,0.0,50.0", 0, "9 HPR B33,-1,-1,-1\n"},
        {"123456.00,B33,A,,C,H,M,100.0,0.0,50.0", -999.0, "9 HPR B33,-1,-1,-1\n"},
        {"0,B33,A,,C,H,M,100.0,0.0,50.0", 10, "9 HPR B33,-1,-1,-1\n"},
        // Values the overlay cannot show.
        {"123456.00,B33,A,,C,N,M,nan,0.0,50.0", 0, "9 HPR B33,-1,-1,-1\n"},
        {"123456.00,B33,A,,C,N,M,1.0,1e999,50.0", 0, "9 HPR B33,-1,-1,-1\n"},
        {"123456.00,B33,A,,C,N,M,1.0,1.0,-inf", 0, "9 HPR B33,-1,-1,-1\n"},
        {"123456.00,,A,,C,N,M,100.0,0.0,50.0", 0, "Feil med HPR\n"},
        {"x,B33,A,,C,N,M,100.0,0.0,50.0", 0, "Feil med HPR\n"},
        {"", 0, "Feil med HPR\n"},
        // A code longer than its buffer is cut; the fix still counts.
        {"1," + std::string(150, 'k') + ",A,,C,N,M,100.0,0.0,50.0", 0,
         "9 HPR " + std::string(99, 'k') + ",0.0540,90.0,50.0\n"},
        {"1," + std::string(150, 'k') + ",V", 0, "9 HPR " + std::string(99, 'k') + ",-1,-1,-1\n"},
    };
    for (const auto& t : tabell) {
        Fangst f;
        nasekund = 9;
        sistepos = fiks{};
        sistehprheading = t.heading;
        merk_overlay();
        dekod_imssb(t.tekst.c_str());
        EXPECT_EQ(f.ut(), "9 sistepos : 0.000000,0.000000,0\n" + t.linje) << t.tekst;
        EXPECT_TRUE(overlay_urort()) << t.tekst;
        EXPECT_TRUE(gHeadUp.load(r));
    }
}

TEST(Posisjon, Hpr300) {
    Fangst f;
    nasekund = 700;
    sistepos = fiks{3594.0, 643.0, 690};
    sistehprheading = 0;
    dekod_HPR300P("33 1 A x 1 2 3 4 5");
    // Transponder 33 is the ROV's, placed heading-oriented with X 2, Y 3, depth 4.
    EXPECT_EQ(f.ut(), "HPR300 : 33 1 A x 1 2 3 4 5700 sistepos : 3594.000000,643.000000,690\n"
                      "700 HPR 33,0.0019,56.3,4.0\n"
                      "700 HPR POS : 3594.001080,643.001620\n");
    EXPECT_TRUE(gHeadUp.load(r));
    EXPECT_DOUBLE_EQ(gLat.load(r), 2.0 / 1852);
    merk_overlay();
    // Other transponders are only echoed, a long word changes nothing.
    dekod_HPR300P(("34 1 A " + std::string(500, 'w') + " 1 2 3 4 5").c_str());
    EXPECT_EQ(f.ut(), "HPR300 : 34 1 A " + std::string(500, 'w') + " 1 2 3 4 5");
    dekod_HPR300P("33 1 A x 1 2 3 4");
    dekod_HPR300P("99999999999 1 A x 1 2 3 4 5");
    EXPECT_EQ(f.ut(), "HPR300 : 99999999999 1 A x 1 2 3 4 5");
    // A distance beyond float range is read as infinite and refused as a fix.
    dekod_HPR300P("33 1 A x 1 1e39 3 4 5");
    std::string ut = f.ut();
    EXPECT_NE(ut.find("700 HPR 33,-1,-1,-1\n"), std::string::npos) << ut;
    EXPECT_TRUE(overlay_urort());
}

TEST(Posisjon, SonarItiTrackpoint) {
    std::string mds22 = "a,b,T1,V,e,f,g,h,185.2,M,12.5,P,40,M,o,p,q,r,300,t,2.5,v";
    std::string mds19 = "a,b,T1,V,e,f,g,h,185.2,M,12.5,P,40,M,o,p,q,r,300";
    std::string lang = "a,b,T1,V,e,f,g,h,,M,12.5,S,40,M,o,p,q,r," + std::string(150, '9') + ",t,2.5,v";
    const struct {
        void (*dekoder)(const char*);
        std::string tekst;
        std::string linje;
    } tabell[] = {
        {dekod_immds, mds22, "HPR Sonar T1;Depth 40 m; area 300 m2; volume 2.5 tons,0.1,-12.5,40"},
        {dekod_immds, mds19, "HPR Sonar T1;Depth 40 m,0.1,-12.5,40"},
        {dekod_immds, "a,b,T1,V,e,f,g,h,185.2,F,12.5,S,40,F,o,p,q,r,s", "HPR Sonar T1;Depth 0 m,-1,0,0"},
        {dekod_immds, "a,b,T1,A,e,f,g,h,185.2,M,12.5,P,40,M,o,p,q,r,s", "HPR Sonar T1;,0,0,0"},
        {dekod_immds, "a,b,T1,V,e,f,g,h,185.2,M,12.5,P,40,M,o,p,q", ""},
        // The description is held to 110 characters.
        {dekod_immds, lang, "HPR Sonar T1;Depth 40 m; area " + std::string(110 - 17, '9') + ",-1,0,40"},
        {dekod_iitpt, "185.2,x,T2,y,,z", "HPR ITI,0.1,T2,0"},
        {dekod_iitpt, "185.2,x,T2,y,55,z", "HPR ITI,0.1,T2,55"},
        {dekod_iitpt, ",x,T2,y,55,z", ""},
        {dekod_iitpt, "185.2,x,T2,y,55", ""},
        {dekod_trackpoint_pore, "TP1,b,c,d,e,0,100,30,i,j,0,l", "HPR TP1,-0.0540,90.0,30.0"},
        {dekod_trackpoint_pore, "TP1,b,c,d,e,0,100,30,i,j,21,l", "HPR TP1,-0.0540,90.0,30.0"},
        {dekod_trackpoint_pore, "TP1,b,c,d,e,0,100,30,i,j,20,l", ""},
        {dekod_trackpoint_pore, "TP1,b,c,d,e,0,100,30,i,j,nan,l", ""},
        {dekod_trackpoint_pore, "TP1,b,c,d,e,0,,30,i,j,0,l", ""},
        {dekod_trackpoint_pore, "TP1,b,c,d,e,0,100,30,i,j,0", ""},
    };
    for (const auto& t : tabell) {
        Fangst f;
        nasekund = 3;
        merk_overlay();
        t.dekoder(t.tekst.c_str());
        EXPECT_EQ(f.ut(), t.linje.empty() ? "" : "3 " + t.linje + "\n") << t.tekst;
        EXPECT_TRUE(overlay_urort()) << t.tekst;
    }
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
        {"X012.5C270.6A003.2O", nullptr, 7, 7, 7},
    };
    for (const auto& t : tabell) {
        Fangst f;
        nasekund = 4;
        gDepth = gAlti = 7;
        gHeadingROV = 7;
        dekod_ROV(t.linje);
        EXPECT_EQ(f.ut(), t.ut ? std::string("4 ") + t.ut + "\n" : "") << t.linje;
        EXPECT_FLOAT_EQ(gDepth, t.dybde) << t.linje;
        EXPECT_FLOAT_EQ(gAlti, t.hoyde) << t.linje;
        EXPECT_EQ(gHeadingROV, t.heading) << t.linje;
    }
}
