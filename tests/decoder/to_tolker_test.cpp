// Two decoders in one process share nothing: each gives what it gives alone,
// whether they take turns line by line or run side by side on threads.
#include "fangst.h"

#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

using namespace decoder;
using testhjelp::Fangst;

namespace {

std::vector<std::string> linjer(const char* fil) {
    std::ifstream inn(std::string(TEST_DATA_DIR) + "/" + fil);
    std::vector<std::string> v;
    for (std::string l; std::getline(inn, l);) v.push_back(l);
    return v;
}

// What a decoder writes and ends with.
struct Resultat {
    std::string ut;
    double lat, lon, latBoat, lonBoat;
    float heading;
    bool operator==(const Resultat&) const = default;
};

Resultat resultat(Fangst& f) {
    constexpr auto r = std::memory_order_relaxed;
    return {f.ut(), f.t.gLat.load(r), f.t.gLon.load(r), f.t.gLatBoat.load(r), f.t.gLonBoat.load(r),
            f.t.gHeadingBoat.load(r)};
}

// Replays a recording through the loop, as the program does.
Resultat spill(Fangst& f, const char* fil) {
    FILE* fp = std::fopen((std::string(TEST_DATA_DIR) + "/" + fil).c_str(), "r");
    EXPECT_EQ(tolkar(f.t, fp, nullptr, 1, 0), 0);
    std::fclose(fp);
    return resultat(f);
}

} // namespace

TEST(ToTolker, LinjeForLinjeSomHverForSeg) {
    // Two dives near each other: with shared fix filters one vessel's fixes
    // would be the other's jumps and repeats.
    const std::vector<std::string> a = linjer("dykk.nmea"), b = linjer("rov_demo.nmea");
    Fangst alene_a, alene_b, a2, b2;
    for (const auto& l : a) alene_a.linje(l, 1);
    for (const auto& l : b) alene_b.linje(l, 1);
    for (size_t i = 0; i < std::max(a.size(), b.size()); ++i) {
        if (i < a.size()) a2.linje(a[i], 1);
        if (i < b.size()) b2.linje(b[i], 1);
    }
    const Resultat ra = resultat(alene_a), rb = resultat(alene_b);
    ASSERT_NE(ra.ut.find(" HPR POS : "), std::string::npos);
    ASSERT_NE(rb.ut.find(" HPR POS : "), std::string::npos);
    EXPECT_TRUE(resultat(a2) == ra);
    EXPECT_TRUE(resultat(b2) == rb);
}

TEST(ToTolker, PaaHverSinTraad) {
    testhjelp::Arbeidsmappe m;
    Resultat ra, rb;
    {
        Fangst fa, fb;
        ra = spill(fa, "demo.nmea");
        rb = spill(fb, "rov_demo.nmea");
    }
    for (int runde = 0; runde < 3; ++runde) {
        Fangst fa, fb;
        Resultat a, b;
        std::thread ta([&] { a = spill(fa, "demo.nmea"); });
        std::thread tb([&] { b = spill(fb, "rov_demo.nmea"); });
        ta.join();
        tb.join();
        EXPECT_TRUE(a == ra) << runde;
        EXPECT_TRUE(b == rb) << runde;
        EXPECT_TRUE(fa.feil().starts_with("tolkar: Sjekksumfeil i '$HEHDT,9")); // its damaged line
        EXPECT_EQ(fb.feil(), "");
    }
}
