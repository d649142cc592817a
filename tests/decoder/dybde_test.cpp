// The depth line: which source it follows and what it repeats.
#include "fangst.h"

#include <string>

using testhjelp::Fangst;

namespace {
std::string ved(Fangst& f, int32_t t, const std::string& setning) {
    f.t.nasekund = t;
    f.setning(setning);
    return f.ut();
}
} // namespace

TEST(Dybde, ForetrukketKildeHolderAndreTilbake) {
    Fangst f;
    for (int32_t t = 1000; t <= 1004; ++t) {
        EXPECT_NE(ved(f, t, "$SDDBT,,f," + std::to_string(t - 980) + ",M,,F"), "");
        EXPECT_EQ(ved(f, t, "$SDDPT," + std::to_string(t - 990)), "") << t;
    }
    // DBT stopped at 1004: DPT is held back while the DBT is 19 s old or less.
    EXPECT_EQ(ved(f, 1023, "$SDDPT,33"), "");
    EXPECT_EQ(ved(f, 1024, "$SDDPT,34"), "1024 Dybde 34.00\n");
    // PSAP and DBS rank below DPT; the classifier line of PSAP still comes.
    EXPECT_EQ(ved(f, 1025, "$PSAP,x,x,D,20,M,x,5,x,5,x"), "1025 RoxAnn E1 2.047, E2 2.047\n");
    EXPECT_EQ(ved(f, 1025, "$SDDBS,,f,21,M,,F"), "");
    EXPECT_EQ(ved(f, 1026, "$SDDBT,,f,9,M,,F"), "1026 Dybde 9.00\n");
    EXPECT_EQ(ved(f, 1027, "$SDDPT,35"), "");
}

TEST(Dybde, Gjentakelse) {
    Fangst f;
    const struct {
        int32_t t;
        const char* setning;
        bool linje;
    } steg[] = {
        {1000, "$SDDPT,10", true},  {1000, "$SDDPT,11", false}, // one per second
        {1002, "$SDDPT,10", false}, {1003, "$SDDPT,10", true},  // unchanged: 3 s
        {1004, "$SDDPT,12", true},  {1002, "$SDDPT,12", false}, // clock back 2 s
        {1010, "$SDDBT,,f,5,M,,F", true},
        {1029, "$SDDPT,8", false}, // held back, but kept as the last DPT depth
        {1031, "$SDDPT,8", false}, // so still a repeat once the DBT is old
        {1032, "$SDDPT,8", true},
    };
    for (const auto& s : steg) EXPECT_EQ(ved(f, s.t, s.setning) != "", s.linje) << s.t;
}
