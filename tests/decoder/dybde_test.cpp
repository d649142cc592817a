// Depths: which field and correction a depth takes, which source the depth
// line follows, what is repeated, and the seabed classifiers.
#include "decoder/decoders.h"

#include "fangst.h"

#include <string>

using namespace decoder;
using testhjelp::Fangst;

namespace {
using Dekoder = void (*)(const char*);

std::string kall(Fangst& f, Dekoder d, const char* tekst, int32_t t = 1000) {
    nasekund = t;
    d(tekst);
    return f.ut();
}
} // namespace

TEST(Dybde, HvaDekodernaGodtar) {
    const struct {
        Dekoder d;
        const char* tekst;
        const char* ut; // after "1000 "; empty: nothing written
    } tabell[] = {
        {dekod_dbt, "32.8,f,10.0,M,5.5,F", "Dybde 12.00"}, // metres, corrected by 2
        {dekod_dbt, "32.8,f,,M,5.5,F", "Dybde 12.00"},     // feet: 11.99744
        {dekod_dbt, ",f,,M,5.5,F", "Dybde 12.04"},         // fathom of 1.825 m
        {dekod_dbt, "32.8,f,abc,M,5.5,F", ""},             // metres field wins, unreadable
        {dekod_dbt, "1,f,-2.0,M,0,F", "Dybde 0.00"},       // corrected after the zero test
        {dekod_dbt, "32.8,f,10.0,M,5.5", ""},
        {dekod_dbt, "1,f,nan,M,0,F", ""},
        {dekod_dbt, ",f,,M,1e308,F", ""},                  // overflows in the conversion
        {dekod_dbs, "32.8,f,10.0,M,5.5,F", "Dybde 10.00"}, // never corrected
        {dekod_dpt, " 10.5,0.3", "Dybde 12.50"},
        {dekod_dpt, "0,1", ""},
        {dekod_dpt, ",10", ""},
        {dekod_dpt, "inf", ""},
        {dekod_seascan, "x,x,D,12.5,M,x,10,x,2.5,x", "RoxAnn E1 4.095, E2 1.024\n1000 Dybde 14.50"},
        {dekod_seascan, "x,x,D,12.5,m,x,10,x,2.5,x", ""},
        {dekod_seascan, "x,x,D,12.5,M,x,0,x,2.5,x", ""},
        {dekod_seascan, "x,x,D,12.5,M,x,inf,x,2.5,x", ""},
        {dekod_roxann, "D0123F0456S0777", "RoxAnn E1 0.302, E2 0.511"},
        {dekod_roxann, "D0123F  17S07x7", "RoxAnn E1 0.015, E2 0.007"}, // as "%o" reads
        {dekod_roxann, "D0123F0458S0777", ""},                         // 8 is not octal
        {dekod_roxann, "D0123F-001S0777", ""},                         // out of range
        {dekod_es60, "1,25.3,-20,2*7A", "ES60 Dybde 25.30, hardhet 0, ruhet 0"}, // uncorrected
        {dekod_es60, "1,25.3,-20,3", "Ukjent ES60"},
        {dekod_es60, "1,25.3,,1", "Ukjent ES60"},
        {dekod_es60, "1,1e999,x,1", "Ukjent ES60"},
        {dekod_tritechPA500, " 012.34x", "Dybde 12.34"}, // uncorrected
        {dekod_tritechPA500, "1e99  m", ""},             // beyond single precision
        {dekod_mtw, "-1.25,Celsius", "Vanntemperatur -1.2"},
        {dekod_mtw, "12.3,F", ""},
        {dekod_mtw, "nan,C", ""},
    };
    for (const auto& t : tabell) {
        Fangst f;
        dybdekorr = 2.0;
        EXPECT_EQ(kall(f, t.d, t.tekst), *t.ut ? std::string("1000 ") + t.ut + "\n" : "")
            << t.tekst;
    }
}

TEST(Dybde, ForetrukketKildeHolderAndreTilbake) {
    Fangst f;
    for (int32_t t = 1000; t <= 1004; ++t) {
        EXPECT_NE(kall(f, dekod_dbt, (",f," + std::to_string(t - 980) + ",M,,F").c_str(), t), "");
        EXPECT_EQ(kall(f, dekod_dpt, std::to_string(t - 990).c_str(), t), "") << t;
    }
    // DBT stopped at 1004: DPT is held back while the DBT is 19 s old or less.
    EXPECT_EQ(kall(f, dekod_dpt, "33", 1023), "");
    EXPECT_EQ(kall(f, dekod_dpt, "34", 1024), "1024 Dybde 34.00\n");
    // PSAP and DBS rank below DPT; the classifier line of PSAP still comes.
    EXPECT_EQ(kall(f, dekod_seascan, "x,x,D,20,M,x,5,x,5,x", 1025),
              "1025 RoxAnn E1 2.047, E2 2.047\n");
    EXPECT_EQ(kall(f, dekod_dbs, ",f,21,M,,F", 1025), "");
    EXPECT_EQ(kall(f, dekod_dbt, ",f,9,M,,F", 1026), "1026 Dybde 9.00\n");
    EXPECT_EQ(kall(f, dekod_dpt, "35", 1027), "");
}

TEST(Dybde, Gjentakelse) {
    Fangst f;
    const struct {
        Dekoder d;
        int32_t t;
        const char* tekst;
        bool linje;
    } steg[] = {
        {dekod_dpt, 1000, "10", true},  {dekod_dpt, 1000, "11", false}, // one per second
        {dekod_dpt, 1002, "10", false}, {dekod_dpt, 1003, "10", true},  // unchanged: 3 s
        {dekod_dpt, 1004, "12", true},  {dekod_dpt, 1002, "12", false}, // clock back 2 s
        {dekod_dbt, 1010, ",f,5,M,,F", true},
        {dekod_dpt, 1029, "8", false}, // held back, but kept as the last DPT depth
        {dekod_dpt, 1031, "8", false}, // so still a repeat once the DBT is old
        {dekod_dpt, 1032, "8", true},
    };
    for (const auto& s : steg) EXPECT_EQ(kall(f, s.d, s.tekst, s.t) != "", s.linje) << s.t;
}
