#include "decoder/dispatch.h"

#include "decoder/decoders.h"
#include "decoder/state.h"
#include "decoder/tekst.h"

#include <cstring>
#include <iterator>

namespace decoder {

namespace {

constexpr Nokkel kTabell[] = {
    {"GGA,", Ved::T, true, false, dekod_gga},
    {"SMDBS,", Ved::P, false, false, dekod_smdbs},
    {"SMTDS,", Ved::P, false, false, dekod_smtds},
    {"SMHFB,", Ved::P, false, false, dekod_smhfb},
    {"SMTFI,", Ved::P, false, false, dekod_smtfi},
    {"SMCL1,", Ved::P, false, false, dekod_smcl1},
    {"SMMTW,", Ved::P, false, false, dekod_smmtw},
    {"MA,", Ved::P, false, false, dekod_ma},
    {"MMB,", Ved::T, false, false, dekod_mmb},
    {"MWV,", Ved::T, false, false, dekod_mwv},
    {"MTA,", Ved::T, false, false, dekod_mta},
    {"XDR,", Ved::T, false, false, dekod_xdr},
    {"MTE,", Ved::T, false, false, dekod_mte},
    {"RMC,", Ved::T, false, false, dekod_rmc},
    {"VTG,", Ved::T, true, false, dekod_vtg},
    {"ZDA,", Ved::T, true, false, dekod_zda},
    {"DPT,", Ved::T, false, false, dekod_dpt},
    {"$IIDBS,", Ved::S, false, false, nullptr},
    {"DBS,", Ved::T, false, false, dekod_dbs},
    {"DBT,", Ved::T, false, false, dekod_dbt},
    {"OSD,", Ved::T, true, false, dekod_osd},
    {"HDT,", Ved::T, true, false, dekod_hdt},
    {"HDM,", Ved::T, true, false, dekod_hdm},
    {"HDG,", Ved::T, true, false, dekod_hdg},
    {"TTM,", Ved::T, false, false, dekod_ttm},
    {"MTW,", Ved::T, false, false, dekod_mtw},
    {"PSIMSSB,", Ved::P, false, false, dekod_imssb},
    {"PSIMSNS,", Ved::P, false, false, dekod_imsns},
    {"PSIMGPS,", Ved::P, false, false, dekod_imgps},
    {"PSAP,", Ved::P, false, false, dekod_seascan},
    {"VDO,", Ved::T, false, true, dekod_ais},
    {"VDM,", Ved::T, false, true, dekod_ais},
    {"ABK,", Ved::T, false, true, dekod_ais},
    {"PSTXR,", Ved::P, false, true, dekod_ais},
    {"PSIMS1,", Ved::P, false, false, [](const char* t) { dekod_itispread(1, t); }},
    {"PSIMS2,", Ved::P, false, false, [](const char* t) { dekod_itispread(2, t); }},
    {"PSIMDE,", Ved::P, false, false, dekod_itidybde},
    {"PSIMCA,", Ved::P, false, false, dekod_iticatch},
    {"PSIMH1,", Ved::P, false, false, [](const char* t) { dekod_itihoyde(1, t); }},
    {"PSIMH2,", Ved::P, false, false, [](const char* t) { dekod_itihoyde(2, t); }},
    {"PSIMTM,", Ved::P, false, false, dekod_ititemp},
    {"PSIMMW,", Ved::P, false, false, dekod_itimiddelvekt},
    {"PFEC,GPatt,", Ved::P, false, false, dekod_att},
    {"PJRCD,GP,5,", Ved::P, false, false, dekod_pjrcd_att},
    {"PSIMMDS,", Ved::P, false, false, dekod_immds},
    {"PTSAL,", Ved::P, false, false, dekod_geonet_ptsal},
    {"PDAS,HRP,", Ved::P, false, false, dekod_thales_att},
    {"WPL,", Ved::T, false, false, dekod_wpl},
    {"TLL,", Ved::T, false, false, dekod_tll},
    {"PORE,", Ved::P, false, false, dekod_trackpoint_pore},
    {"PRHS,VTC,", Ved::P, false, false, dekod_dvcam},
};

bool siffer(char c) { return c >= '0' && c <= '9'; }

} // namespace

const Nokkel* nokkeltabell(int* antall) {
    *antall = static_cast<int>(std::size(kTabell));
    return kTabell;
}

int dekod_ikke_nmea(const char* linje) {
    size_t n = std::strlen(linje);
    if (start(linje, "D1,") || start(linje, "D2,")) {
        dekod_es60(linje + 3);
        return 1;
    }
    if (n == 15 && linje[0] == 'D' && linje[1] >= '0' && linje[1] <= '7' && linje[5] == 'F' &&
        linje[10] == 'S') {
        dekod_roxann(linje);
        return 2;
    }
    if (start(linje, "@IITPT,")) {
        dekod_iitpt(linje + 7);
        return 3;
    }
    if (n >= 7 && linje[6] == 'm') {
        dekod_tritechPA500(linje);
        return 4;
    }
    if (n >= 7 && linje[0] == 'D' && linje[6] == 'C') {
        dekod_ROV(linje);
        return 5;
    }
    // Cheap first test before the scan: the report starts with a number.
    const char* p = linje;
    while (*p == ' ' || *p == '\t' || *p == '\n' || *p == '\v' || *p == '\f' || *p == '\r') ++p;
    Hpr300 h;
    if ((siffer(*p) || *p == '-' || *p == '+') && les_hpr300(linje, h)) {
        dekod_HPR300P(linje);
        return 6;
    }
    return 0;
}

const Nokkel* dekod_setning(const char* setning) {
    const char* ved[3] = {setning, setning + 1, setning + 3}; // S, P, T
    for (const Nokkel& k : kTabell) {
        const char* tekst = ved[static_cast<int>(k.ved == Ved::S ? 0 : k.ved == Ved::P ? 1 : 2)];
        if (!start(tekst, k.nokkel)) continue;
        if (k.ikke_spesial && spesialrmc) continue;
        if (k.handler) k.handler(k.fra_nokkel ? tekst : tekst + std::strlen(k.nokkel));
        return k.handler ? &k : nullptr;
    }
    return nullptr;
}

} // namespace decoder
