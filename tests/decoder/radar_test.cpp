// Radar targets and waypoints: unit factors, target names, the TLL hold
// after a TTM, and the special-target lines.
#include "decoder/decoders.h"

#include "fangst.h"

#include <string>

using namespace decoder;
using testhjelp::Fangst;

namespace {
const std::string kSpesial = "Spesialm\x8C"
                             "l ";
std::string ttm(const char* enhet, const char* navn = "BOAT", const char* status = "T") {
    return std::string("7,1.852,45,,1.852,90,R,1.852,5.5,") + enhet + "," + navn + "," + status;
}
} // namespace

TEST(Radar, Ttm) {
    const struct {
        std::string tekst;
        std::string ut; // after "100 Arpa "; empty: nothing, and arpatid untouched
    } tabell[] = {
        {ttm("K"), "7,1,45,T,1,90,R,1,5.5,T,BOAT"},
        {ttm("N"), "7,1.852,45,T,1.852,90,R,1.852,5.5,T,BOAT"},
        {ttm("S"), "7,1.609,45,T,1.609,90,R,1.609,5.5,T,BOAT"},
        {ttm("M"), ""},
        {ttm(""), ""},
        {ttm("N", "99", ""), "7,1.852,45,T,1.852,90,R,1.852,5.5,L,7"}, // "99" is no name
        {ttm("N", "", "Lost*4A\n"), "7,1.852,45,T,1.852,90,R,1.852,5.5,L,7"},
        {ttm("N", std::string(150, 'x').c_str()),
         "7,1.852,45,T,1.852,90,R,1.852,5.5,T," + std::string(109, 'x')}, // name cut
        {"99999999999,1,2,R,3,4,R,5,6,N,,Q", "2147483647,1,2,R,3,4,R,5,6,Q,2147483647"},
        {"7,1,2,R,3,4,R,5,6,N,BOAT", ""}, // eleven fields
        {"7,nan,2,R,3,4,R,5,6,N,BOAT,T", ""},
    };
    for (const auto& t : tabell) {
        Fangst f;
        nasekund = 100;
        dekod_ttm(t.tekst.c_str());
        EXPECT_EQ(f.ut(), t.ut.empty() ? "" : "100 Arpa " + t.ut + "\n") << t.tekst;
        EXPECT_EQ(arpatid, t.ut.empty() ? 0 : 100) << t.tekst;
    }
}

TEST(Radar, TllHoldesTilbakeEtterTtm) {
    Fangst f;
    const char* tll = "3,5930.000,N,01030.000,E,BOAT,123456,T,";
    const std::string linje = kSpesial + "tll3,3570.00000,630.00000,0,0,3\n";
    nasekund = 1000;
    dekod_tll(tll); // no TTM yet
    EXPECT_EQ(f.ut(), "1000 " + linje);
    dekod_ttm(ttm("N").c_str());
    f.ut();
    const struct {
        int32_t t;
        bool skrevet;
    } steg[] = {{1000, false}, {1059, false}, {1060, true}, {999, false}};
    for (const auto& s : steg) {
        nasekund = s.t;
        dekod_tll(tll);
        EXPECT_EQ(f.ut(), s.skrevet ? std::to_string(s.t) + " " + linje : "") << s.t;
    }
}

TEST(Radar, Posisjoner) {
    const struct {
        void (*d)(const char*);
        const char* tekst;
        const char* ut; // after the special-target word; empty: nothing
    } tabell[] = {
        {dekod_wpl, "5930.000,S,01030.000,W,", "wplTarget,-3570.00000,-630.00000,0,0,Target"},
        {dekod_wpl, "5930.000,s,01030.000,w,WP1", "wplWP1,3570.00000,630.00000,0,0,WP1"},
        {dekod_wpl, "-5930.000,N,01030.000,E,WP1", ""}, // must begin with a digit
        {dekod_wpl, "5930.000,N,9e999,E,WP1", ""},
        {dekod_wpl, "5930.000,N,01030.000,E", ""},
        {dekod_tll, ",5930.000,S,01030.000,W", "tllTarget,-3570.00000,-630.00000,0,0,Target"},
        {dekod_tll, "1,N,5930.000,01030.000,E", ""},
    };
    for (const auto& t : tabell) {
        Fangst f;
        nasekund = 500;
        t.d(t.tekst);
        EXPECT_EQ(f.ut(), *t.ut ? "500 " + kSpesial + t.ut + "\n" : "") << t.tekst;
    }
    Fangst f;
    ttynavn = "tty.usb0";
    nasekund = 500;
    dekod_wpl("5930.000,N,01030.000,E,WP1");
    EXPECT_EQ(f.ut(), "500 " + kSpesial + "tty.usb0wplWP1,3570.00000,630.00000,0,0,WP1\n");
}
