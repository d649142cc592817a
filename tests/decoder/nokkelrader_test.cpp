// Every key row of the depth, trawl, weather, radar and AIS families reaches
// a decoder that writes something for a sound sentence, or drops on purpose.
#include "decoder/dispatch.h"

#include "fangst.h"

#include <map>
#include <set>
#include <string>

using namespace decoder;

namespace {
// Rows tested with the fix, course, heading and positioning families.
const std::set<std::string> kAndre = {
    "GGA,", "RMC,", "VTG,", "ZDA,", "MTE,", "HDT,", "HDM,", "HDG,", "OSD,", "PSIMSSB,",
    "PSIMSNS,", "PSIMGPS,", "PFEC,GPatt,", "PJRCD,GP,5,", "PDAS,HRP,", "PSIMMDS,", "PORE,"};

// A sound sentence for each row; null where the row drops on purpose.
const std::map<std::string, const char*> kEksempel = {
    {"SMDBS,", "$SMDBS,12.5,M,80.2,M"}, {"SMTDS,", "$SMTDS,110,M"},
    {"SMHFB,", "$SMHFB,4.2,M,3.1,M"},   {"SMTFI,", "$SMTFI,1"},
    {"SMCL1,", "$SMCL1,1.8,N"},         {"SMMTW,", "$SMMTW,4.5,C"},
    {"MA,", "$MA,1,a,2,3,4,b,5,6,7,c,8,9,d"}, {"MMB,", "$WIMMB,29.92,I,1.0132,B"},
    {"MWV,", "$WIMWV,270,T,15.5,N,A"},  {"MTA,", "$WIMTA,12.5,C"},
    {"XDR,", "$WIXDR,P,1.0132,B,Baro"}, {"DPT,", "$SDDPT,10.5,0.3"},
    {"$IIDBS,", nullptr},               {"DBS,", "$SDDBS,32.8,f,10.0,M,5.5,F"},
    {"DBT,", "$SDDBT,32.8,f,10.0,M,5.5,F"},
    {"TTM,", "$RATTM,7,1.852,45.0,T,1.852,90,T,1.852,5.5,N,BOAT,T"},
    {"MTW,", "$YXMTW,12.3,C"},          {"PSAP,", "$PSAP,x,x,D,12.5,M,x,10,x,2.5,x"},
    {"VDO,", "!AIVDO,1,1,,A,13aEOK?P00PD2wVMdLDRhgvL289?,0"},
    {"VDM,", "!AIVDM,1,1,,A,13aEOK?P00PD2wVMdLDRhgvL289?,0"},
    {"ABK,", "$AIABK,123456789,A,8,1,3"}, {"PSTXR,", "$PSTXR,1,2,3"},
    {"PSIMS1,", "$PSIMS1,1,x,2,x,3,x,4,x,9"}, {"PSIMS2,", "$PSIMS2,1,x,2,x,3,x,4,x,9"},
    {"PSIMDE,", "$PSIMDE,1,x,2,x,3,x,4,x,ok"}, {"PSIMCA,", "$PSIMCA,1,x,2,x,3,x,12,3,4,y"},
    {"PSIMH1,", "$PSIMH1,1,x,2,x,3,x,4,x,5,x"}, {"PSIMH2,", "$PSIMH2,1,x,2,x,3,x,4,x,5,x"},
    {"PSIMTM,", "$PSIMTM,1,x,2,x,3,x,4,x,9"}, {"PSIMMW,", "$PSIMMW,1,x,2,x,3,x,4,x,9"},
    {"PTSAL,", "$PTSAL,1,2,3,4,5,6"},   {"WPL,", "$GPWPL,5930.000,N,01030.000,E,WP1"},
    {"TLL,", "$RATLL,3,5930.000,N,01030.000,E,BOAT,123456,T,"},
    {"PRHS,VTC,", "$PRHS,VTC,12:00:05:10,A"},
};
} // namespace

TEST(Nokkelrader, HverRadNaarEnDekoder) {
    int antall = 0;
    const Nokkel* tabell = nokkeltabell(&antall);
    std::set<std::string> i_tabellen;
    for (const Nokkel* rad = tabell; rad != tabell + antall; ++rad) {
        i_tabellen.insert(rad->nokkel);
        if (kAndre.count(rad->nokkel)) continue;
        auto e = kEksempel.find(rad->nokkel);
        ASSERT_NE(e, kEksempel.end()) << "no sample sentence for " << rad->nokkel;
        testhjelp::Fangst f;
        if (!e->second) {
            EXPECT_EQ(rad->handler, nullptr) << rad->nokkel;
            f.linje(testhjelp::med_sum("$IIDBS,32.8,f,10.0,M,5.5,F"));
            EXPECT_EQ(f.ut(), "");
            continue;
        }
        // With and without its checksum tail, through the whole line step.
        for (std::string l : {testhjelp::med_sum(e->second), std::string(e->second)}) {
            testhjelp::falsk_tid() += 100; // past the repeat limits
            Linjeutfall u = linjesteg(l.data(), testhjelp::falsk_tid(), 0);
            EXPECT_EQ(u.rad, rad) << l;
            EXPECT_NE(f.ut(), "") << l;
        }
    }
    for (const auto& e : kEksempel) EXPECT_TRUE(i_tabellen.count(e.first)) << e.first;
}
