// Course and time: which of RMC, VTG and the fix window wins, and the clock
// difference through the host's time zone, read once per decoder.
#include "decoder/fiks.h"
#include "decoder/tid.h"

#include "fangst.h"

#include <cmath>
#include <ctime>
#include <string>

using namespace decoder;
using testhjelp::Fangst;

namespace {
// 2009-12-03 08:35:01 UTC, and the computer clock 10 s ahead of it.
constexpr int32_t kGpstid = 1259829301;
constexpr int32_t kNaa = kGpstid + 10;
} // namespace

TEST(Kurs, Klokkediff) {
    // GPS time, GPS date, time zone, and the clock line expected (null: none).
    const struct {
        double tid, dato;
        const char* tz;
        const char* linje;
    } tabell[] = {
        {83501.00, 31209, "UTC", "Klokkediff 10\n"},
        // Read as the host's standard time: an hour east of UTC the GPS time
        // is an hour earlier, in summer too.
        {83501.00, 31209, "CET-1", "Klokkediff 3610\n"},
        {83501.00, 30709, "CET-1CEST,M3.5.0,M10.5.0/3", "Klokkediff 13222810\n"},
        {83501.99, 31209.9, "UTC", "Klokkediff 10\n"}, // both truncated
        {240000, 31209, "UTC", nullptr},
        {1, 251296, "UTC", "Klokkediff 408357310\n"},  // 1996-12-25 00:00:01, first in range
        {0, 251296, "UTC", nullptr},
        {235959, 141236, "UTC", "Klokkediff -853082688\n"}, // 2036-12-14 23:59:59, last
        {0, 151236, "UTC", nullptr},
        {83501, 31269, "UTC", nullptr},                 // 2069
        {83501, 31270, "UTC", nullptr},                 // 1970
        {NAN, 31209, "UTC", "Klokkediff 30911\n"},      // midnight
        {83501, 1209, "UTC", "Klokkediff 259210\n"},    // day 0 is the last of the month before
        {1e300, 31209, "UTC", nullptr},
        {83501, 1e300, "UTC", nullptr},
        {-1e300, -1e300, "UTC", nullptr},
    };
    for (const auto& t : tabell) {
        testhjelp::Tidssone tz(t.tz);
        Fangst f;
        f.t.nasekund = kNaa;
        rmcdata(f.t, -1, -1, t.tid, t.dato);
        EXPECT_EQ(f.ut(), t.linje ? t.linje : "") << t.tid << " " << t.dato << " " << t.tz;
    }
}

TEST(Kurs, NormaltidSomMktime) {
    // The zone read once gives what mktime gives for every time of the
    // range, month and day overflow included.
    for (const char* tz : {"UTC", "CET-1CEST,M3.5.0,M10.5.0/3", "EST5EDT,M3.2.0,M11.1.0",
                           "AEST-10AEDT,M10.1.0,M4.1.0/3", "<+0530>-5:30"}) {
        testhjelp::Tidssone sone(tz);
        Fangst f;
        for (int64_t d = 0; d < 40 * 366; d += 17) {
            tm b{};
            b.tm_year = 97 + static_cast<int>(d / 400);
            b.tm_mon = static_cast<int>(d % 15) - 1;
            b.tm_mday = static_cast<int>(d % 33);
            b.tm_hour = static_cast<int>(d % 25);
            b.tm_min = static_cast<int>(d % 61);
            b.tm_sec = static_cast<int>(d % 59);
            tm kopi = b;
            kopi.tm_isdst = 0;
            ASSERT_EQ(fra_normaltid(f.t, b), static_cast<int64_t>(std::mktime(&kopi))) << tz << " " << d;
        }
    }
}

TEST(Kurs, RmcFoerVtgFoerFikser) {
    testhjelp::Tidssone tz("UTC");
    Fangst f;
    auto ved = [&f](int32_t t, const char* setning) {
        f.t.nasekund = t;
        f.setning(setning);
        return f.ut();
    };
    ved(2000, "$GPRMC,083501.00,A,5954.000,S,01043.000,W,3.5,87.0,031209,,");
    EXPECT_EQ(f.t.rmctid, 2000);
    EXPECT_EQ(f.t.sistefart, 3.5);
    // An RMC of the last 4 seconds wins over VTG, a VTG over one in the same second.
    const char* vtg = "$GPVTG,10.0,T,,M,1.0,N,,K";
    EXPECT_EQ(ved(2001, vtg), "");
    EXPECT_EQ(ved(2004, vtg), "");
    EXPECT_EQ(ved(2005, vtg), "2005 Kurs 10.0, knop 1.0\n");
    EXPECT_EQ(ved(2005, vtg), "");
    EXPECT_EQ(ved(2006, vtg), "2006 Kurs 10.0, knop 1.0\n");
    EXPECT_EQ(f.t.sistefart, 1.0);
    // A VTG holds the fix estimate off for 4 seconds.
    EXPECT_EQ(f.t.rmctid, 2002);
    ggadata(f.t, 2006, 6000.0, 1000.0, 1, 8, 1, "");
    ggadata(f.t, 2007, 6000.001, 1000.0, 1, 8, 1, "");
    EXPECT_EQ(f.ut().find("Kurs"), std::string::npos);
}
