// The splitter, opening files, the UDP log's time stamp and the line ends of
// every input (LF, CR and CR LF, from streams and from datagrams alike).
#include "decoder/linjer.h"
#include "decoder/skann.h"
#include "decoder/tekst.h"

#include "fangst.h"

#include <cstring>
#include <string>
#include <unistd.h>
#include <vector>

using namespace decoder;
using testhjelp::Fangst;

TEST(Tekst, Splittfelt) {
    const struct {
        std::string tekst;
        int antall;
    } tabell[] = {
        {"1,,3", 3},
        {"ingen komma", 1},
        {"", 1},
        {std::string(29, ','), 30},
        {std::string(30, ','), -1},
        {std::string(200, 'x'), 1},
        {std::string(201, 'x'), -1},
    };
    Fangst f;
    for (const auto& t : tabell) {
        EXPECT_EQ(splittfelt(f.t, t.tekst.c_str()), t.antall) << t.tekst;
        EXPECT_EQ(f.t.antfelt, t.antall) << t.tekst;
    }
    ASSERT_EQ(splittfelt(f.t, "1,,3"), 3);
    EXPECT_STREQ(f.t.felt[0], "1");
    EXPECT_STREQ(f.t.felt[1], "");
    EXPECT_STREQ(f.t.felt[2], "3");
    EXPECT_EQ(f.t.felt[3], nullptr);
    EXPECT_EQ(splittfelt(f.t, nullptr), -1);
    EXPECT_EQ(f.t.felt[0], nullptr);
}

TEST(Tekst, TallLesesSomStrtodLeser) {
    // The fast reader of plain decimals ends where strtod ends, on the same bits.
    for (const char* s : {"5954.1234", "-12.5", "-0", "1.e5", "1e", "1e+", "1e5x", "00012.5", "1-2",
                          "0x1p3", "-0x10", ".5", "-.5", "+1", " 1", "nan", "-inf", "4.9e-324",
                          "2.4e-324", "1e-400", "1e400", "1.7976931348623159e308",
                          "9999999999999999999999999", ""}) {
        double v = -7;
        char* slutt = nullptr;
        const double vent = std::strtod(s, &slutt);
        EXPECT_EQ(skann::tall_forst(s, v), slutt != s) << s;
        if (slutt != s) {
            EXPECT_EQ(std::memcmp(&v, &vent, sizeof v), 0) << s;
        }
        skann::Leser l(s);
        double w = -7;
        if (l.tall(w)) {
            EXPECT_EQ(std::memcmp(&w, &vent, sizeof w), 0) << s;
            EXPECT_TRUE(l.bokstaver(slutt)) << s; // the rest is what strtod left
        }
    }
}

TEST(Tekst, VfopenLagerMapperOgStopperVedLesefeil) {
    Fangst f;
    testhjelp::Arbeidsmappe m;
    FILE* fp = vfopen(f.t, "tolkar", "a/b/c.log", "w");
    ASSERT_NE(fp, nullptr);
    std::fclose(fp);
    EXPECT_EQ(access("a/b/c.log", F_OK), 0);
    EXPECT_THROW(vfopen(f.t, "tolkar", "mangler.txt", "r"), testhjelp::Avsluttet);
    EXPECT_EQ(f.feil(), "tolkar: Kan ikke lese fra mangler.txt!\n");
    EXPECT_THROW(vfopen(f.t, "tolkar", "/proc/ikke/her", "w"), testhjelp::Avsluttet);
    EXPECT_EQ(f.feil(), "tolkar: Kan ikke skrive p} /proc/ikke/her!\n");
}

TEST(Tekst, TidsstempelErLokaltid) {
    const struct {
        const char* tz;
        int32_t tid;
        const char* stempel;
    } tabell[] = {
        {"UTC", 1259829301, "091203083501:52000"}, // 2009-12-03 08:35:01 UTC
        {"UTC", 1259829302, "091203083502:52000"}, // the next second
        {"CET-1CEST,M3.5.0,M10.5.0/3", 1246610101, "090703103501:52000"}, // summer time
    };
    for (const auto& t : tabell) {
        testhjelp::Tidssone tz(t.tz);
        Fangst f;
        f.sett_tid(t.tid);
        EXPECT_STREQ(strTimeStamp(f.t), t.stempel) << t.tz;
    }
}

namespace {
using Linjer = std::vector<std::string>;

Linjer fra_strom(Tolk& t, std::string innhold) {
    FILE* fp = fmemopen(innhold.data(), innhold.size(), "r");
    Linjer l;
    char buf[kLinjelengde];
    bool cr = false;
    while (talinje(t, buf, fp, cr) >= 0) l.emplace_back(buf);
    std::fclose(fp);
    return l;
}

Linjer fra_datagram(Tolk& t, const std::string& innhold) {
    Linjer l;
    char buf[kLinjelengde];
    bool cr = false;
    const char* p = innhold.data();
    while (dellinje(t, buf, p, innhold.data() + innhold.size(), cr) >= 0) l.emplace_back(buf);
    return l;
}
} // namespace

TEST(Linjer, HverLinjesluttGirSammeLinjer) {
    const struct {
        std::string inn;
        Linjer linjer; // a CR that ended a line stays on it
    } tabell[] = {
        {"A\r\nB\r\n", {"A\r", "B\r"}},
        {"A\nB\n", {"A", "B"}},
        {"A\rB\r", {"A\r", "B\r"}},
        {"A\rB", {"A\r", "B"}},
        {"A\r\r\nB\r\r\n", {"A\r", "B\r"}}, // the doubled CR of some instruments
        {"A\r\rB", {"A\r", "B"}},           // no empty lines between CRs
        {"\n\r\n", {"", "\r"}},             // an empty line is not the end
        {"A\r\n\r\nB", {"A\r", "\r", "B"}},
        {"neste linje   \nsiste", {"neste linje", "siste"}},
    };
    for (const auto& t : tabell) {
        Fangst f;
        EXPECT_EQ(fra_strom(f.t, t.inn), t.linjer) << testing::PrintToString(t.inn);
        EXPECT_EQ(fra_datagram(f.t, t.inn), t.linjer) << testing::PrintToString(t.inn);
    }
}

TEST(Linjer, LangLinjeKlippesOgLesingenGaarVidere) {
    Fangst f;
    EXPECT_EQ(fra_strom(f.t, std::string(2000, 'x') + "\rneste\r"), Linjer({std::string(1023, 'x'), "neste\r"}));
    EXPECT_EQ(f.feil(), "talinje(): Klippet " + std::string(1023, 'x') + "...\n");
}

TEST(Linjer, CrGirLinjenUtenAaVentePaaNesteByte) {
    // An instrument that ends its lines in CR alone sends nothing more until
    // its next line: reading must not wait for it.
    Fangst f;
    int ror[2];
    ASSERT_EQ(pipe(ror), 0);
    FILE* fp = fdopen(ror[0], "r");
    char buf[kLinjelengde];
    bool cr = false;
    ASSERT_EQ(write(ror[1], "$A\r", 3), 3);
    ASSERT_EQ(talinje(f.t, buf, fp, cr), 3);
    ASSERT_EQ(write(ror[1], "\n$B\r", 4), 4);
    ASSERT_EQ(talinje(f.t, buf, fp, cr), 3);
    EXPECT_STREQ(buf, "$B\r");
    close(ror[1]);
    EXPECT_EQ(talinje(f.t, buf, fp, cr), -1);
    std::fclose(fp);
}
