// The sentence loop: the clock pass, reading to the end, paced replay and
// the stop that cuts a wait for input short.
#include "fangst.h"

#include <string>
#include <sys/ioctl.h>
#include <thread>
#include <utility>
#include <vector>

using namespace decoder;
using testhjelp::Fangst;

TEST(Loop, KlokkehoppNullstillerVinduet) {
    const struct {
        int32_t forrige, naa;
        bool nullstilt;
    } tabell[] = {
        {1000, 1020, false}, {1000, 1021, true},    {1000, 999, true},
        {1000, 1000, false}, {0, 2147483647, true}, {2147483647, -2147483647 - 1, true},
    };
    for (const auto& t : tabell) {
        Fangst f;
        f.t.forrsekund = t.forrige;
        f.t.ant = 7;
        f.t.rmctid = 3;
        klokkepass(f.t, t.naa);
        EXPECT_EQ(f.t.ant, t.nullstilt ? 0 : 7) << t.forrige << " -> " << t.naa;
        EXPECT_EQ(f.t.rmctid, t.nullstilt ? (t.naa == 2147483647 ? 2147483647 : t.naa + 5) : 3);
        EXPECT_EQ(f.t.forrsekund, t.naa);
    }
}

TEST(Loop, LeserTilSluttOgDekoderHverLinje) {
    Fangst f;
    testhjelp::Arbeidsmappe m;
    f.sett_tid(42);
    std::string inn = "!AIVDM,1\r\n" + std::string(1500, 'y') + "\n!AIVDO,2";
    FILE* fp = fmemopen(inn.data(), inn.size(), "r");
    EXPECT_EQ(tolkar(f.t, fp, nullptr, 0, 0), 0);
    std::fclose(fp);
    EXPECT_EQ(f.ut(), "42 AIS VDM,1\n42 AIS VDO,2\n");
    EXPECT_EQ(f.feil().substr(0, 19), "talinje(): Klippet ");
}

namespace {
// Plays the recording with clocks that only the waits move on; each wait
// oversleeps by half a second and notes how long it was and which
// sentences were decoded before it.
struct Avspilling {
    std::vector<std::pair<int64_t, std::string>> ventet;
    std::string utskrift;
};

Avspilling spill_av(std::string opptak, bool tempo) {
    Fangst f;
    testhjelp::Arbeidsmappe m;
    Avspilling a;
    int64_t naa = 0;
    f.t.replaytempo = tempo;
    f.t.tempoklokke = [&naa] { return naa; };
    f.t.sov = [&](int64_t mikro) {
        std::string nytt = f.ut(), hvilke;
        for (size_t i = nytt.find("VDM,"); i != std::string::npos; i = nytt.find("VDM,", i + 1))
            hvilke += nytt[i + 4];
        a.utskrift += nytt;
        a.ventet.emplace_back(mikro, hvilke);
        naa += mikro + 500000;
        f.sett_tid(f.tid() + static_cast<int32_t>((mikro + 500000) / 1000000));
    };
    FILE* fp = fmemopen(opptak.data(), opptak.size(), "r");
    tolkar(f.t, fp, nullptr, 1, 0);
    std::fclose(fp);
    a.utskrift += f.ut();
    return a;
}
} // namespace

TEST(Loop, TempoSlipperHverLinjeVedSinReplaytid) {
    const std::string opptak =
        "12:00:00 !AIVDM,a\r\n"
        "12:00:02 !AIVDM,b\r\n"
        "!AIVDM,c\r\n"          // one second after the line before
        "12:00:03 !AIVDM,d\r\n" // due with c
        "11:00:00 !AIVDM,e\r\n" // the clock went back: at once, and counted from here
        "11:00:02 !AIVDM,f\r\n";
    // Counted from the first line: the half second each wait overslept is
    // taken from the next one.
    const std::vector<std::pair<int64_t, std::string>> forventet = {
        {2000000, "a"}, {500000, "b"}, {2000000, "cde"}};
    const Avspilling i_takt = spill_av(opptak, true);
    EXPECT_EQ(i_takt.ventet, forventet);
    // The program replays as fast as it reads, and the lines decode the same:
    // their times are the recording's, whatever the wall clock did meanwhile.
    const Avspilling fort = spill_av(opptak, false);
    EXPECT_TRUE(fort.ventet.empty());
    EXPECT_EQ(fort.utskrift, i_takt.utskrift);
}

TEST(Loop, StoppAvbryterVentenPaaInndata) {
    // The application's UDP run stops the same way (tested there).
    Fangst f;
    testhjelp::Arbeidsmappe m;
    int ror[2];
    ASSERT_EQ(pipe(ror), 0);
    FILE* inn = fdopen(ror[0], "r");
    std::thread t([&] { EXPECT_EQ(tolkar(f.t, inn, nullptr, 0, 0), 0); });
    // Once the line is taken from the pipe, the loop waits for the next.
    ASSERT_EQ(write(ror[1], "!AIVDM,1\r\n", 10), 10);
    for (int n = 1; n > 0;) ioctl(ror[0], FIONREAD, &n);
    f.t.stopp.be_om_stopp();
    t.join();
    std::fclose(inn);
    close(ror[1]);
}
