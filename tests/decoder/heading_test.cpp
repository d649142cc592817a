// Headings: the normalised overlay value, the rate limit of the heading log,
// and which sentences each decoder takes.
#include "decoder/decoders.h"
#include "decoder/heading.h"

#include "fangst.h"

#include <cstring>
#include <string>

using namespace decoder;
using testhjelp::Fangst;

namespace {
float heading_boat() { return gHeadingBoat.load(std::memory_order_relaxed); }
} // namespace

TEST(Heading, Normaliseres) {
    const struct {
        double h;
        float boat;
        const char* linje;
    } tabell[] = {
        {360.0, 360.0f, "1 Heading 360.0\n"}, {-10.0, 350.0f, "1 Heading -10.0\n"},
        {370.0, 10.0f, "1 Heading 370.0\n"},  {-400.0, -40.0f, "1 Heading -400.0\n"},
        {720.0, 360.0f, "1 Heading 720.0\n"},
    };
    for (const auto& t : tabell) {
        Fangst f;
        nasekund = 1;
        kringkastheading(t.h);
        EXPECT_EQ(heading_boat(), t.boat) << t.h;
        EXPECT_EQ(sistehprheading, t.h);
        EXPECT_EQ(f.ut(), t.linje);
    }
}

TEST(Heading, Taktbegrensning) {
    Fangst f;
    // Time, heading and whether a line is written.
    const struct {
        int32_t t;
        double h;
        bool linje;
    } steg[] = {
        {1000, 45.0, true},  {1000, 45.2, false}, {1000, 45.3, false},
        {1000, 45.4, true},  // more than 0.3 from the last line, not from 45.3
        {1001, 45.4, false}, {1002, 45.1, false}, {1003, 45.4, true}, // 3 s keep-alive
        {1004, 45.4, false}, {1006, 45.4, true},  {1005, 45.4, false}, // back in time: |dt| is 1
        {900, 45.4, true},
    };
    for (const auto& s : steg) {
        nasekund = s.t;
        kringkastheading(s.h);
        char vent[40];
        std::snprintf(vent, sizeof vent, "%d Heading %.1f\n", s.t, s.h);
        EXPECT_EQ(f.ut(), s.linje ? vent : "") << s.t << " " << s.h;
        // The overlay always gets the newest heading.
        EXPECT_FLOAT_EQ(heading_boat(), static_cast<float>(s.h));
    }
}

TEST(Heading, MagnetiskHarEgenBegrensning) {
    Fangst f;
    nasekund = 50;
    kringkastheading(10.0);
    kringkastmagnetisk(10.0);
    kringkastmagnetisk(10.1);
    kringkastheading(10.1);
    EXPECT_EQ(f.ut(), "50 Heading 10.0\n50 Magnetisk 10.0\n");
    kringkastmagnetisk(200.0);
    EXPECT_EQ(f.ut(), "50 Magnetisk 200.0\n");
    // A magnetic heading leaves the true one alone.
    EXPECT_FLOAT_EQ(heading_boat(), 10.1f);
    EXPECT_DOUBLE_EQ(sistehprheading, 10.1);
}

TEST(Heading, Dekodere) {
    // Decoder, text after its key, and the lines after the time (empty:
    // the sentence is not taken).
    const struct {
        void (*dekoder)(const char*);
        const char* tekst;
        const char* linjer;
    } tabell[] = {
        {dekod_hdt, "123.4,T", "Heading 123.4\n"},
        {dekod_hdt, "123.4,M", "Heading 123.4\n"}, // only the number is read
        {dekod_hdt, " 12,T", "Heading 12.0\n"},
        {dekod_hdt, ",T", ""},
        {dekod_hdt, "T", ""},
        {dekod_osd, "45.0,V,,,", "Heading 45.0\n"},
        {dekod_hdm, "12.5,M", "Magnetisk 12.5\n"},
        {dekod_hdm, "12.5,T", ""},
        {dekod_hdm, ",M", ""},
        {dekod_hdm, "12.5", ""},
        {dekod_hdg, "12.5,1.0,E,2.0,W", "Magnetisk 12.5\n"},
        {dekod_hdg, "abc", "Magnetisk 0.0\n"},
        {dekod_hdg, ",1.0,E", ""},
        {dekod_imsns, "a,b,c,d,1.5,-2.0,g,123.4", "Heading 123.4\nAttitude 123.4,-2.0,1.5\n"},
        {dekod_imsns, "a,b,c,d,,-2.0,g,123.4", "Heading 123.4\n"},
        {dekod_imsns, "a,b,c,d,1.5,,g,123.4", "Heading 123.4\n"},
        {dekod_imsns, "a,b,c,d,1.5,-2.0,g,", ""},
        {dekod_imsns, "a,b,c,d,1.5,-2.0,g", ""},
        {dekod_att, "123.4,1.0,-0.5", "Heading 123.4\nAttitude 123.4,1.0,-0.5\n"},
        {dekod_att, "123.4,,", "Heading 123.4\nAttitude 123.4,,\n"},
        {dekod_att, ",1.0,-0.5", ""},
        {dekod_att, "123.4,1.0", ""},
        {dekod_pjrcd_att, ",1.0,-0.5", "Heading 0.0\nAttitude ,1.0,-0.5\n"},
        {dekod_pjrcd_att, "7,1.0", ""},
        {dekod_thales_att, "x,123.4,T,1.0,-0.5", "Heading 123.4\nAttitude 123.4,1.0,-0.5\n"},
        {dekod_thales_att, "x,123.4,T,,-0.5", "Heading 123.4\n"},
        {dekod_thales_att, "x,123.4,M,1.0,-0.5", ""},
        {dekod_thales_att, "x,,T,1.0,-0.5", ""},
        {dekod_thales_att, "x,123.4,T,1.0", ""},
        // Not a heading the overlay can hold.
        {dekod_hdt, "nan,T", ""},
        {dekod_hdt, "1e999,T", ""},
        {dekod_osd, "-inf,A", ""},
        {dekod_att, "1e39,1,2", ""},
        {dekod_imsns, "a,b,c,d,1.5,-2.0,g,nan", ""},
        {dekod_hdm, "inf,M", ""},
    };
    for (const auto& t : tabell) {
        Fangst f;
        nasekund = 77;
        sistehprheading = -999.0;
        dekod_hdt("5.0"); // a heading to tell "unchanged" from "0"
        f.ut();
        t.dekoder(t.tekst);
        std::string vent;
        for (const char* p = t.linjer; *p;) {
            const char* slutt = std::strchr(p, '\n');
            vent += "77 " + std::string(p, slutt + 1);
            p = slutt + 1;
        }
        EXPECT_EQ(f.ut(), vent) << t.tekst;
        bool sann = vent.find("Heading") != std::string::npos;
        if (!sann) {
            EXPECT_EQ(sistehprheading, 5.0) << t.tekst;
            EXPECT_EQ(heading_boat(), 5.0f) << t.tekst;
        }
    }
}
