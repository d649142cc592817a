#include "decoder/dispatch.h"

#include "decoder/decoders.h"
#include "decoder/felter.h"
#include "decoder/tekst.h"
#include "decoder/tolk.h"

#include <cstring>
#include <iterator>

namespace decoder {

namespace {

template <int Nr>
void itispread(Tolk& t, const char* tekst) { dekod_itispread(t, Nr, tekst); }
template <int Nr>
void itihoyde(Tolk& t, const char* tekst) { dekod_itihoyde(t, Nr, tekst); }

constexpr bool kEgen = true; // the vessel's own data: not in special-target mode

constexpr Nokkel kTabell[] = {
    {"GGA,", Ved::T, kEgen, false, gga::kMin, dekod_gga, daarlig_gps},
    {"SMDBS,", Ved::P, false, false, smdbs::kMin, dekod_smdbs, nullptr},
    {"SMTDS,", Ved::P, false, false, scanmar::kMin, dekod_smtds, nullptr},
    {"SMHFB,", Ved::P, false, false, smhfb::kMin, dekod_smhfb, nullptr},
    {"SMTFI,", Ved::P, false, false, scanmar::kMin, dekod_smtfi, nullptr},
    {"SMCL1,", Ved::P, false, false, scanmar::kMin, dekod_smcl1, nullptr},
    {"SMMTW,", Ved::P, false, false, scanmar::kMin, dekod_smmtw, nullptr},
    {"MA,", Ved::P, false, false, ma::kMin, dekod_ma, nullptr},
    {"MMB,", Ved::T, false, false, mta::kMin, dekod_mmb, nullptr},
    {"MWV,", Ved::T, false, false, mwv::kMin, dekod_mwv, nullptr},
    {"MTA,", Ved::T, false, false, mta::kMin, dekod_mta, nullptr},
    {"XDR,", Ved::T, false, false, xdr::kMin, dekod_xdr, nullptr},
    {"MTE,", Ved::T, false, false, mte::kMin, dekod_mte, nullptr},
    {"RMC,", Ved::T, false, false, rmc::kMin, dekod_rmc, nullptr},
    {"VTG,", Ved::T, kEgen, false, vtg::kMin, dekod_vtg, nullptr},
    {"ZDA,", Ved::T, kEgen, false, zda::kMin, dekod_zda, nullptr},
    {"DPT,", Ved::T, false, false, 0, dekod_dpt, nullptr},
    {"$IIDBS,", Ved::S, false, false, 0, nullptr, nullptr},
    {"DBS,", Ved::T, false, false, dbt::kMin, dekod_dbs, nullptr},
    {"DBT,", Ved::T, false, false, dbt::kMin, dekod_dbt, nullptr},
    {"OSD,", Ved::T, kEgen, false, 0, dekod_osd, nullptr},
    {"HDT,", Ved::T, kEgen, false, 0, dekod_hdt, nullptr},
    {"THS,", Ved::T, kEgen, false, ths::kMin, dekod_ths, nullptr},
    {"HDM,", Ved::T, kEgen, false, hdm::kMin, dekod_hdm, nullptr},
    {"HDG,", Ved::T, kEgen, false, hdg::kMin, dekod_hdg, nullptr},
    {"TTM,", Ved::T, false, false, ttm::kMin, dekod_ttm, nullptr},
    {"MTW,", Ved::T, false, false, mtw::kMin, dekod_mtw, nullptr},
    {"PSIMSSB,", Ved::P, false, false, 0, dekod_imssb, nullptr},
    {"PSIMSNS,", Ved::P, false, false, psimsns::kMin, dekod_imsns, nullptr},
    {"PSIMGPS,", Ved::P, false, false, psimgps::kMin, dekod_imgps, daarlig_gps},
    {"PSAP,", Ved::P, false, false, psap::kMin, dekod_seascan, nullptr},
    {"VDO,", Ved::T, false, true, 0, dekod_ais, nullptr},
    {"VDM,", Ved::T, false, true, 0, dekod_ais, nullptr},
    {"ABK,", Ved::T, false, true, 0, dekod_ais, nullptr},
    {"PSTXR,", Ved::P, false, true, 0, dekod_ais, nullptr},
    {"PSIMS1,", Ved::P, false, false, iti::kMin, itispread<1>, nullptr},
    {"PSIMS2,", Ved::P, false, false, iti::kMin, itispread<2>, nullptr},
    {"PSIMDE,", Ved::P, false, false, iti::kMin, dekod_itidybde, nullptr},
    {"PSIMCA,", Ved::P, false, false, iti::kMinTi, dekod_iticatch, nullptr},
    {"PSIMH1,", Ved::P, false, false, iti::kMinTi, itihoyde<1>, nullptr},
    {"PSIMH2,", Ved::P, false, false, iti::kMinTi, itihoyde<2>, nullptr},
    {"PSIMTM,", Ved::P, false, false, iti::kMin, dekod_ititemp, nullptr},
    {"PSIMMW,", Ved::P, false, false, iti::kMin, dekod_itimiddelvekt, nullptr},
    {"PFEC,GPatt,", Ved::P, false, false, gpatt::kMin, dekod_att, nullptr},
    {"PJRCD,GP,5,", Ved::P, false, false, gpatt::kMin, dekod_pjrcd_att, nullptr},
    {"PSIMMDS,", Ved::P, false, false, psimmds::kMin, dekod_immds, nullptr},
    {"PTSAL,", Ved::P, false, false, ptsal::kMin, dekod_geonet_ptsal, nullptr},
    {"PDAS,HRP,", Ved::P, false, false, hrp::kMin, dekod_thales_att, nullptr},
    {"WPL,", Ved::T, false, false, wpl::kMin, dekod_wpl, nullptr},
    {"TLL,", Ved::T, false, false, tll::kMin, dekod_tll, nullptr},
    {"PORE,", Ved::P, false, false, pore::kMin, dekod_trackpoint_pore, nullptr},
    {"PRHS,VTC,", Ved::P, false, false, vtc::kMin, dekod_dvcam, nullptr},
};

bool siffer(char c) { return c >= '0' && c <= '9'; }

} // namespace

const Nokkel* nokkeltabell(int* antall) {
    *antall = static_cast<int>(std::size(kTabell));
    return kTabell;
}

int dekod_ikke_nmea(Tolk& t, const char* linje) {
    size_t n = std::strlen(linje);
    if (start(linje, "D1,") || start(linje, "D2,")) {
        dekod_es60(t, linje + 3);
        return 1;
    }
    if (n == 15 && linje[0] == 'D' && linje[1] >= '0' && linje[1] <= '7' && linje[5] == 'F' &&
        linje[10] == 'S') {
        dekod_roxann(t, linje);
        return 2;
    }
    if (start(linje, "@IITPT,")) {
        dekod_iitpt(t, linje + 7);
        return 3;
    }
    if (n >= 7 && linje[6] == 'm') {
        dekod_tritechPA500(t, linje);
        return 4;
    }
    if (n >= 7 && linje[0] == 'D' && linje[6] == 'C') {
        dekod_ROV(t, linje);
        return 5;
    }
    // Cheap first test before the scan: the report starts with a number.
    const char* p = linje;
    while (*p == ' ' || *p == '\t' || *p == '\n' || *p == '\v' || *p == '\f' || *p == '\r') ++p;
    Hpr300 h;
    if ((siffer(*p) || *p == '-' || *p == '+') && les_hpr300(linje, h)) {
        dekod_HPR300P(t, linje);
        return 6;
    }
    return 0;
}

const Nokkel* dekod_setning(Tolk& t, const char* setning) {
    const char* ved[3] = {setning, setning + 1, setning + 3}; // S, P, T
    for (const Nokkel& k : kTabell) {
        const char* tekst = ved[static_cast<int>(k.ved == Ved::S ? 0 : k.ved == Ved::P ? 1 : 2)];
        // The first character rules out nearly every row before the comparison.
        if (tekst[0] != k.nokkel[0] || std::strncmp(tekst, k.nokkel.data(), k.nokkel.size()) != 0)
            continue;
        if (k.ikke_spesial && t.spesialrmc) continue;
        if (!k.handler) return nullptr;
        const char* etter = k.fra_nokkel ? tekst : tekst + k.nokkel.size();
        if (k.min_felt > 0 && splittfelt(t, etter) < k.min_felt) {
            if (k.kort) k.kort(t, etter);
        } else {
            k.handler(t, etter);
        }
        return &k;
    }
    return nullptr;
}

} // namespace decoder
