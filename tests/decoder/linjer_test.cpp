// Line ends: LF, CR and CR LF, from streams and from datagrams alike.
#include "decoder/linjer.h"
#include "decoder/tekst.h"

#include "fangst.h"

#include <string>
#include <unistd.h>
#include <vector>

using namespace decoder;
using testhjelp::Fangst;

namespace {
using Linjer = std::vector<std::string>;

Linjer fra_strom(std::string innhold) {
    FILE* fp = fmemopen(innhold.data(), innhold.size(), "r");
    Linjer l;
    char buf[kLinjelengde];
    bool cr = false;
    while (talinje(buf, fp, cr) >= 0) l.emplace_back(buf);
    std::fclose(fp);
    return l;
}

Linjer fra_datagram(const std::string& innhold) {
    Linjer l;
    char buf[kLinjelengde];
    bool cr = false;
    const char* p = innhold.data();
    while (dellinje(buf, p, innhold.data() + innhold.size(), cr) >= 0) l.emplace_back(buf);
    return l;
}
} // namespace

TEST(Linjer, HverLinjesluttGirSammeLinjer) {
    struct Tilfelle {
        std::string inn;
        Linjer linjer; // a CR that ended a line stays on it
    };
    const Tilfelle tabell[] = {
        {"A\r\nB\r\n", {"A\r", "B\r"}},
        {"A\nB\n", {"A", "B"}},
        {"A\rB\r", {"A\r", "B\r"}},
        {"A\rB", {"A\r", "B"}},
        {"A\r\r\nB\r\r\n", {"A\r", "B\r"}},  // the doubled CR of some instruments
        {"A\r\rB", {"A\r", "B"}},            // no empty lines between CRs
        {"\n\r\n", {"", "\r"}},              // an empty line is not the end
        {"A\r\n\r\nB", {"A\r", "\r", "B"}},
        {"neste linje   \nsiste", {"neste linje", "siste"}},
    };
    for (const auto& t : tabell) {
        Fangst f;
        EXPECT_EQ(fra_strom(t.inn), t.linjer) << testing::PrintToString(t.inn);
        EXPECT_EQ(fra_datagram(t.inn), t.linjer) << testing::PrintToString(t.inn);
    }
}

TEST(Linjer, LangLinjeKlippesOgLesingenGaarVidere) {
    Fangst f;
    EXPECT_EQ(fra_strom(std::string(2000, 'x') + "\rneste\r"), Linjer({std::string(1023, 'x'), "neste\r"}));
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
    ASSERT_EQ(talinje(buf, fp, cr), 3);
    ASSERT_EQ(write(ror[1], "\n$B\r", 4), 4);
    ASSERT_EQ(talinje(buf, fp, cr), 3);
    EXPECT_STREQ(buf, "$B\r");
    close(ror[1]);
    EXPECT_EQ(talinje(buf, fp, cr), -1);
    std::fclose(fp);
}
