// Headings: the normalised overlay value and the rate limit of each log.
#include "decoder/heading.h"

#include "fangst.h"

#include <cmath>
#include <string>

using namespace decoder;
using testhjelp::Fangst;

TEST(Heading, Normaliseres) {
    const struct {
        double h;
        float boat;
    } tabell[] = {{360.0, 360.0f}, {-10.0, 350.0f}, {370.0, 10.0f}, {-400.0, -40.0f}, {720.0, 360.0f}};
    for (const auto& t : tabell) {
        Fangst f;
        f.t.nasekund = 1;
        kringkastheading(f.t, t.h);
        EXPECT_EQ(f.t.gHeadingBoat.load(), t.boat) << t.h;
        EXPECT_EQ(f.t.sistehprheading, t.h); // as given, for head-up fixes
        char linje[40];
        std::snprintf(linje, sizeof linje, "1 Heading %.1f\n", t.h);
        EXPECT_EQ(f.ut(), linje);
    }
}

TEST(Heading, Taktbegrensning) {
    Fangst f;
    // Kind (true or magnetic), time, heading and whether a line is written.
    const struct {
        bool sann;
        int32_t t;
        double h;
        bool linje;
    } steg[] = {
        {true, 1000, 45.0, true},   {true, 1000, 45.2, false}, {true, 1000, 45.3, false},
        {true, 1000, 45.4, true},   // more than 0.3 from the last line, not from 45.3
        {true, 1001, 45.4, false},  {true, 1002, 45.1, false}, {true, 1003, 45.4, true}, // 3 s keep-alive
        {true, 1004, 45.4, false},  {true, 1006, 45.4, true},  {true, 1005, 45.4, false}, // |dt| is 1
        {true, 900, 45.4, true},
        {false, 900, 45.4, true},   // each kind has its own limit
        {false, 900, 45.5, false},  {true, 900, 45.5, false},
        {false, 900, 200.0, true},
    };
    for (const auto& s : steg) {
        f.t.nasekund = s.t;
        s.sann ? kringkastheading(f.t, s.h) : kringkastmagnetisk(f.t, s.h);
        char vent[40];
        std::snprintf(vent, sizeof vent, "%d %s %.1f\n", s.t, s.sann ? "Heading" : "Magnetisk", s.h);
        EXPECT_EQ(f.ut(), s.linje ? vent : "") << s.t << " " << s.h;
    }
    // The overlay always has the newest true heading; a magnetic one leaves it.
    EXPECT_FLOAT_EQ(f.t.gHeadingBoat.load(), 45.5f);
    EXPECT_DOUBLE_EQ(f.t.sistehprheading, 45.5);
}

TEST(Heading, ThsBareFraGyroensEgenMaaling) {
    // Status A (autonomous) and E (estimated) set the heading; manual,
    // simulated, invalid and unreadable ones leave it and its time.
    const struct {
        const char* setning;
        bool tatt;
    } tabell[] = {
        {"$HETHS,123.4,A", true}, {"$HETHS,123.4,E", true}, {"$HETHS,123.4,M", false},
        {"$HETHS,123.4,S", false}, {"$HETHS,123.4,V", false}, {"$HETHS,,A", false},
        {"$HETHS,123.4", false},   {"$HETHS,123.4,AV", false},
    };
    for (const auto& s : tabell) {
        Fangst f;
        f.sett_tid(2000);
        f.linje(med_sum(s.setning));
        EXPECT_EQ(f.t.gHeadingBoat.load(), s.tatt ? 123.4f : 0.0f) << s.setning;
        const double tid = f.t.tidHeading.load();
        EXPECT_EQ(std::isnan(tid) ? -1.0 : tid, s.tatt ? 2000.0 : -1.0) << s.setning;
        EXPECT_EQ(f.ut(), s.tatt ? "2000 Heading 123.4\n" : "") << s.setning;
    }
}
