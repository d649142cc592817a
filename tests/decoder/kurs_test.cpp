// RMC, VTG, ZDA and MTE: which source wins, what a malformed field does, and
// the clock difference through the host's local time.
#include "decoder/decoders.h"
#include "decoder/fiks.h"

#include "fangst.h"

#include <cmath>
#include <cstdlib>
#include <ctime>
#include <string>

using namespace decoder;
using testhjelp::Fangst;

namespace {

// 2009-12-03 08:35:01 UTC, and the computer clock 10 s ahead of it.
constexpr int32_t kGpstid = 1259829301;
constexpr int32_t kNaa = kGpstid + 10;

// Sets the host's time zone for one test and puts the old one back.
class Tidssone {
public:
    explicit Tidssone(const char* tz) {
        if (const char* g = std::getenv("TZ")) gammel_ = g, hadde_ = true;
        setenv("TZ", tz, 1);
        tzset();
    }
    ~Tidssone() {
        if (hadde_)
            setenv("TZ", gammel_.c_str(), 1);
        else
            unsetenv("TZ");
        tzset();
    }

private:
    std::string gammel_;
    bool hadde_ = false;
};

const char* kRmc = "083501.00,A,5954.000,S,01043.000,W,3.5,87.0,031209,,";

} // namespace

TEST(Kurs, HvaRmcGodtar) {
    Tidssone tz("UTC");
    const struct {
        const char* tekst;
        bool tatt;
    } tabell[] = {
        {kRmc, true},
        {"083501.00,V,5954.000,S,01043.000,W,3.5,87.0,031209,,", false},
        {"083501.00,AA,5954.000,S,01043.000,W,3.5,87.0,031209,,", false},
        {".83501,A,5954.000,S,01043.000,W,3.5,87.0,031209,,", false},
        {"083501.00,A,,S,01043.000,W,3.5,87.0,031209,,", false},
        {"083501.00,A,5954.000,S,-1043.000,W,3.5,87.0,031209,,", false},
        {"083501.00,A,5954.000,S,01043.000,W,,87.0,031209,,", false},
        {"083501.00,A,5954.000,S,01043.000,W,3.5,x,031209,,", false},
        {"083501.00,A,5954.000,S,01043.000,W,3.5,87.0", false},    // 8 fields
        {"083501.00,A,5954.000,S,01043.000,W,3.5,87.0,", false},   // date empty
        {"083501.00,A,0000.000,N,00000.000,E,3.5,87.0,031209", false},
        // Too large for a double: an infinite speed would turn the jump test off.
        {"083501.00,A,5954.000,S,01043.000,W,9e999,87.0,031209", false},
        {"083501.00,A,5954.000,S,01043.000,W,3.5,9e999,031209", false},
        {"083501.00,A,9e999,S,01043.000,W,3.5,87.0,031209", false},
    };
    for (const auto& t : tabell) {
        Fangst f;
        nasekund = kNaa;
        sistefart = 1.25;
        rmctid = 17;
        dekod_rmc(t.tekst);
        std::string ut = f.ut();
        if (t.tatt) {
            EXPECT_EQ(ut, std::to_string(kNaa) + " Kurs 87.0, knop 3.5\nKlokkediff 10\n") << t.tekst;
            EXPECT_EQ(sistefart, 3.5);
            EXPECT_EQ(rmctid, kNaa);
        } else {
            EXPECT_EQ(ut, "") << t.tekst;
            EXPECT_EQ(sistefart, 1.25) << t.tekst;
            EXPECT_EQ(rmctid, 17) << t.tekst;
        }
    }
}

TEST(Kurs, RmcStilleIgjenSkriverKurs) {
    Fangst f;
    nasekund = 50;
    sistefart = 4;
    dekod_rmc("083501.00,A,5954.000,N,01043.000,E,0.0,0.0,010170");
    EXPECT_EQ(f.ut(), "50 Kurs 0.0, knop 0.0\n"); // 1970: no clock line
    EXPECT_EQ(sistefart, 0.0);
}

TEST(Kurs, Spesialmaal) {
    Fangst f;
    nasekund = 60;
    spesialrmc = "ROV1";
    rmctid = 3;
    dekod_rmc(kRmc);
    // Whole-field hemisphere tests: "S" and "W" negate, "South" would not.
    EXPECT_EQ(f.ut(), "60 Spesialm\x8C" "l rmc,-3594.00000,-643.00000,3.5,87.0,ROV1\n");
    dekod_rmc("083501.00,A,5954.000,South,01043.000,West,3.5,87.0,031209");
    ttynavn = "ttyUSB0";
    dekod_rmc(kRmc);
    EXPECT_EQ(f.ut(),
              "60 Spesialm\x8C" "l rmc,3594.00000,643.00000,3.5,87.0,ROV1\n"
              "60 Spesialm\x8C" "l ttyUSB0rmc,-3594.00000,-643.00000,3.5,87.0,ROV1\n");
    // Another unit's speed and time are not ours.
    EXPECT_EQ(rmctid, 3);
    EXPECT_EQ(sistefart, 0.0);
}

TEST(Kurs, Klokkediff) {
    // GPS time, GPS date, time zone, and the clock line expected (null: none).
    const struct {
        double tid, dato;
        const char* tz;
        const char* linje;
    } tabell[] = {
        {83501.00, 31209, "UTC", "Klokkediff 10\n"},
        // A broken-down local time: one hour east of UTC the GPS time is an hour earlier.
        {83501.00, 31209, "CET-1", "Klokkediff 3610\n"},
        {83501.99, 31209.9, "UTC", "Klokkediff 10\n"}, // both truncated
        {240000, 31209, "UTC", nullptr},
        {1, 251296, "UTC", "Klokkediff 408357310\n"},  // 1996-12-25 00:00:01, first in range
        {0, 251296, "UTC", nullptr},
        {235959, 141236, "UTC", "Klokkediff -853082688\n"}, // 2036-12-14 23:59:59, last
        {0, 151236, "UTC", nullptr},
        {83501, 31269, "UTC", nullptr},                 // 2069
        {83501, 31270, "UTC", nullptr},                 // 1970
        {NAN, 31209, "UTC", "Klokkediff 30911\n"},      // midnight
        {1e300, 31209, "UTC", nullptr},
        {83501, 1e300, "UTC", nullptr},
        {-1e300, -1e300, "UTC", nullptr},
    };
    for (const auto& t : tabell) {
        Tidssone tz(t.tz);
        Fangst f;
        nasekund = kNaa;
        rmcdata(-1, -1, t.tid, t.dato);
        EXPECT_EQ(f.ut(), t.linje ? t.linje : "") << t.tid << " " << t.dato << " " << t.tz;
    }
}

TEST(Kurs, KurslinjeBareMedFartOgKurs) {
    const struct {
        double fart, kurs;
        bool linje;
    } tabell[] = {{0, 0, true}, {-1, 10, false}, {10, -1, false}, {-0.0, 0, true}};
    for (const auto& t : tabell) {
        Fangst f;
        nasekund = 9;
        sistefart = 2;
        rmcdata(t.fart, t.kurs, 240000, 0);
        EXPECT_EQ(f.ut().empty(), !t.linje) << t.fart << " " << t.kurs;
        EXPECT_EQ(sistefart, t.linje ? t.fart : 2);
    }
}

TEST(Kurs, VtgViker) {
    // VTG time against rmctid, and whether it is taken.
    const struct {
        int32_t mot_rmctid;
        bool tatt;
    } tabell[] = {{-1, true}, {0, false}, {4, false}, {5, true}};
    for (const auto& t : tabell) {
        Fangst f;
        rmctid = 1000;
        nasekund = 1000 + t.mot_rmctid;
        dekod_vtg("87.0,T,85.0,M,3.5,N,6.5,K");
        EXPECT_EQ(f.ut(), t.tatt ? std::to_string(nasekund) + " Kurs 87.0, knop 3.5\n" : "")
            << t.mot_rmctid;
        EXPECT_EQ(rmctid, t.tatt ? nasekund - 4 : 1000);
    }
}

TEST(Kurs, RmcFoerVtgFoerFikser) {
    Tidssone tz("UTC");
    Fangst f;
    nasekund = 2000;
    dekod_rmc(kRmc);
    f.ut();
    const char* vtg = "10.0,T,,M,1.0,N,,K";
    for (int32_t t : {2001, 2004}) {
        nasekund = t;
        dekod_vtg(vtg);
    }
    EXPECT_EQ(f.ut(), "");
    nasekund = 2005;
    dekod_vtg(vtg);
    dekod_vtg(vtg); // a second VTG in the same second
    EXPECT_EQ(f.ut(), "2005 Kurs 10.0, knop 1.0\n");
    nasekund = 2006;
    dekod_vtg(vtg);
    EXPECT_EQ(f.ut(), "2006 Kurs 10.0, knop 1.0\n");
    // A VTG holds the fix estimate off for 4 seconds.
    EXPECT_EQ(rmctid, 2002);
    ggadata(2006, 6000.0, 1000.0, 1, 8, 1, "");
    ggadata(2007, 6000.001, 1000.0, 1, 8, 1, "");
    EXPECT_EQ(f.ut().find("Kurs"), std::string::npos);
}

TEST(Kurs, HvaVtgGodtar) {
    const struct {
        const char* tekst;
        const char* linje;
    } tabell[] = {
        {"87.0,T,,M,3.5,N,6.5,K", "Kurs 87.0, knop 3.5"},
        {"0.0,T,,M,5,N", "Kurs 0.0, knop 5.0"},
        {"10.0,T,,M,0.0,N", "Kurs 10.0, knop 0.0"},
        {"10.0,T,,M,-2,N", "Kurs 10.0, knop -2.0"},
        {"0.0,T,,M,0.0,N", nullptr},  // what receivers send without a course
        {"0,T,,M,-1,N", nullptr},
        {",T,,M,3.5,N", nullptr},
        {"87.0,T,,M,,N", nullptr},
        {"87.0,T,,M,3.5", nullptr},
        {"nan,T,,M,3.5,N", nullptr},
        {"87.0,T,,M,inf,N", nullptr},
    };
    for (const auto& t : tabell) {
        Fangst f;
        nasekund = 500;
        dekod_vtg(t.tekst);
        EXPECT_EQ(f.ut(), t.linje ? std::string("500 ") + t.linje + "\n" : "") << t.tekst;
    }
}

TEST(Kurs, ZdaOgMte) {
    Tidssone tz("UTC");
    const std::string diff10 = "Klokkediff 10\n";
    const struct {
        void (*dekoder)(const char*);
        const char* tekst;
        bool linje;
    } tabell[] = {
        {dekod_zda, "083501.00,03,12,2009,00,00", true},
        {dekod_zda, "083501.00,03,12,2009", true},
        {dekod_zda, "000000.00,03,12,2009,00,00", false}, // midnight reads as no time
        {dekod_zda, "083501.00,03,12,0000", false},
        {dekod_zda, "083501.00,3,12,2009", false},
        {dekod_zda, "083501.00,03,12,09", false},
        {dekod_zda, "083501.00,03,12", false},
        {dekod_mte, "03/12/09,08:35:01.00", true},
        {dekod_mte, "03/12/09,08:35:01", true},      // hundredths may be missing
        {dekod_mte, "03/12/2009,08:35:01", false},   // the year becomes 202009
        {dekod_mte, "03/12/09,08:35", false},
        {dekod_mte, "03/12/09 08:35:01", false},     // one field
        {dekod_mte, "99999999999/12/09,08:35:01", false},
    };
    for (const auto& t : tabell) {
        Fangst f;
        nasekund = kNaa;
        t.dekoder(t.tekst);
        EXPECT_EQ(f.ut(), t.linje ? diff10 : "") << t.tekst;
    }
    // The MTE text becomes the body of a ZDA.
    Fangst f;
    nasekund = kNaa;
    dekod_mte("05/12/08,13:45:10.50");
    dekod_zda("134510.50,05,12,2008,0,0");
    EXPECT_EQ(f.ut(), "Klokkediff 31344601\nKlokkediff 31344601\n");
}
