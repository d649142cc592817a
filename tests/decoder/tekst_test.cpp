#include "decoder/tekst.h"

#include "fangst.h"

#include <string>

using namespace decoder;
using testhjelp::Fangst;

TEST(Tekst, StartOgStrlik) {
    EXPECT_EQ(start("abc", ""), 1);
    EXPECT_EQ(start("", ""), 1);
    EXPECT_EQ(start("ab", "abc"), 0);
    EXPECT_EQ(start("abcd", "abc"), 1);
    const char* tom = nullptr;
    EXPECT_EQ(strlik(tom, tom), 1);
    EXPECT_EQ(strlik(nullptr, ""), 0);
    EXPECT_EQ(strlik("a", "a"), 1);
    EXPECT_EQ(strlik("a", "b"), 0);
}

TEST(Tekst, Splittfelt) {
    struct Tilfelle {
        std::string tekst;
        int antall;
    };
    const Tilfelle tabell[] = {
        {"1,,3", 3},
        {"ingen komma", 1},
        {"", 1},
        {std::string(29, ','), 30},
        {std::string(30, ','), -1},
        {std::string(200, 'x'), 1},
        {std::string(201, 'x'), -1},
    };
    for (const auto& t : tabell) EXPECT_EQ(splittfelt(t.tekst.c_str()), t.antall) << t.tekst;
    ASSERT_EQ(splittfelt("1,,3"), 3);
    EXPECT_STREQ(felt[0], "1");
    EXPECT_STREQ(felt[1], "");
    EXPECT_STREQ(felt[2], "3");
    EXPECT_EQ(felt[3], nullptr);
    EXPECT_EQ(splittfelt(nullptr), -1);
}

TEST(Tekst, Trim) {
    char a[] = " \t abc \n ";
    EXPECT_STREQ(trim(a), "abc");
    char b[] = " \t\n ";
    EXPECT_STREQ(trim(b), "");
    EXPECT_EQ(trim(nullptr), nullptr);
}

TEST(Tekst, Hexsiffer) {
    EXPECT_EQ(hexsiffer('f'), 15);
    EXPECT_EQ(hexsiffer('F'), 15);
    EXPECT_EQ(hexsiffer('0'), 0);
    EXPECT_EQ(hexsiffer('9'), 9);
    EXPECT_EQ(hexsiffer('g'), 16);
}

TEST(Tekst, VfopenLagerMapperOgStopperVedLesefeil) {
    Fangst f;
    testhjelp::Arbeidsmappe m;
    FILE* fp = vfopen("tolkar", "a/b/c.log", "w");
    ASSERT_NE(fp, nullptr);
    std::fclose(fp);
    EXPECT_EQ(access("a/b/c.log", F_OK), 0);
    try {
        vfopen("tolkar", "mangler.txt", "r");
        FAIL() << "vfopen returned";
    } catch (const testhjelp::Avsluttet& a) {
        EXPECT_NE(a.status, 0);
    }
    EXPECT_EQ(f.feil(), "tolkar: Kan ikke lese fra mangler.txt!\n");
    try {
        vfopen("tolkar", "/proc/ikke/her", "w");
        FAIL() << "vfopen returned";
    } catch (const testhjelp::Avsluttet&) {
    }
    EXPECT_EQ(f.feil(), "tolkar: Kan ikke skrive p} /proc/ikke/her!\n");
}

TEST(Tekst, TidsstempelErLokaltid) {
    Fangst f;
    setenv("TZ", "UTC", 1);
    tzset();
    f.sett_tid(1259829301); // 2009-12-03 08:35:01 UTC
    EXPECT_STREQ(strTimeStamp(), "091203083501:52000");
}
