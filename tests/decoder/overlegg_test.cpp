// What the overlay reads and when it was set: the decoder clock between
// lines, the stream's UTC from ZDA, RMC and GGA, and fixes read whole.
#include "decoder/overlegg.h"

#include "fangst.h"

#include <cmath>
#include <thread>
#include <vector>

using namespace decoder;
using testhjelp::Fangst;

namespace {
constexpr auto r = std::memory_order_relaxed;
double verdi(double v) { return std::isnan(v) ? -1.0 : v; }
} // namespace

TEST(Overlegg, KlokkaGaarVidereMellomLinjeneOgReplayHarSineTider) {
    Fangst f;
    EXPECT_TRUE(std::isnan(naatid(f.t))); // no line yet
    f.sett_tid(5000);
    f.sett_mono(7000000);
    f.linje(testhjelp::med_sum("$HEHDT,10.0,T"));
    EXPECT_EQ(naatid(f.t), 5000.0);
    // Later in the same second: the clock runs on from the line that began it.
    f.sett_mono(7600000);
    f.linje(testhjelp::med_sum("$HEHDT,20.0,T"));
    EXPECT_EQ(f.t.tidHeading.load(r), 5000.6);
    f.sett_mono(19600000); // 12 s of silence
    EXPECT_EQ(naatid(f.t), 5012.6);
    // The next second's first line comes late in it: the clock does not step back.
    f.sett_tid(5013);
    f.sett_mono(20500000);
    f.linje(testhjelp::med_sum("$HEHDT,30.0,T"));
    EXPECT_EQ(naatid(f.t), 5013.5);
    // The clock set back: so is the decoder's.
    f.sett_tid(4000);
    f.linje(testhjelp::med_sum("$HEHDT,40.0,T"));
    EXPECT_EQ(naatid(f.t), 4000.0);

    // A replayed line carries its recording's time, however late it is read.
    Fangst g;
    g.sett_tid(100);
    g.linje("10:15:00 " + testhjelp::med_sum("$HEHDT,10.0,T"), 1);
    g.sett_mono(2500000);
    EXPECT_EQ(g.t.tidHeading.load(r), 100 + 36900.0);
    EXPECT_EQ(naatid(g.t), 100 + 36902.5);
}

TEST(Overlegg, StrommensUtcFraZdaRmcOgGga) {
    const double kl1015 = 1781518500; // 2026-06-15 10:15:00 UTC
    const struct {
        const char* hva;
        std::vector<const char*> setninger;
        double utc; // at decoder time 5000; -1: none
    } tabell[] = {
        {"ZDA", {"$GPZDA,101500.25,15,06,2026,00,00"}, kl1015 + 0.25},
        {"RMC", {"$GPRMC,101500.00,A,6025.1,N,00519.5,E,0.4,200.0,150626,,,A"}, kl1015},
        {"RMC V", {"$GPRMC,101500.00,V,6025.1,N,00519.5,E,0.4,200.0,150626,,,A"}, -1},
        {"31 February", {"$GPZDA,101500.00,31,02,2026,00,00"}, -1},
        {"25 o'clock", {"$GPRMC,251500.00,A,6025.1,N,00519.5,E,0.4,200.0,150626,,,A"}, -1},
        // GGA has no date: the day of the last one...
        {"GGA", {"$GPZDA,101500.00,15,06,2026,00,00", "$GPGGA,101501.50,6025.1,N,00519.5,E,1,12,0.7,14.2,M,45.6,M,,"},
         kl1015 + 1.5},
        // ...or the next, when the stream has passed midnight since.
        {"GGA after midnight", {"$GPZDA,235959.00,14,06,2026,00,00",
                                "$GPGGA,000000.50,6025.1,N,00519.5,E,1,12,0.7,14.2,M,45.6,M,,"},
         1781481600 + 0.5},
    };
    for (const auto& c : tabell) {
        Fangst f;
        f.sett_tid(5000);
        for (const char* s : c.setninger) f.linje(testhjelp::med_sum(s));
        EXPECT_EQ(verdi(f.t.stromavvik.load(r) + 5000), c.utc) << c.hva;
        EXPECT_EQ(verdi(f.t.tidStromUtc.load(r)), c.utc < 0 ? -1 : 5000) << c.hva;
    }
    // Without a date before it, a GGA takes the decoder clock's day.
    Fangst f;
    f.sett_tid(1781481600 + 3600); // 2026-06-15 01:00
    f.linje(testhjelp::med_sum("$GPGGA,005959.00,6025.1,N,00519.5,E,1,12,0.7,14.2,M,45.6,M,,"));
    EXPECT_EQ(f.t.stromavvik.load(r), -1.0);
}

TEST(Overlegg, EnFiksLesesHelMensDenSkrives) {
    Tolk t;
    skriv_fiks(t, {});
    std::atomic<bool> ferdig{false};
    std::thread skriver([&] {
        for (double v = 1; v <= 200000; ++v) skriv_fiks(t, {v, v, v, v, false, v, v, v});
        ferdig = true;
    });
    int halve = 0;
    while (!ferdig) {
        const Overleggsfiks f = les_fiks(t);
        const double v = f.latBoat;
        halve += f.lonBoat != v || f.lat != v || f.lon != v || f.heading != v || f.dybde != v || f.tid != v;
    }
    skriver.join();
    EXPECT_EQ(halve, 0);
}
