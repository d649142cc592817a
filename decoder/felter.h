// The fields of the sentences that the key table splits, counted from 0
// after the key, and how many fields a sentence must have for its decoder to
// look at it (kMin). The dispatcher splits a sentence once into the
// decoder's `felt` and tests kMin before the decoder runs.
#pragma once

namespace decoder {

// --- Fixes ---
namespace gga {
enum : int { Tid, Bredde, NordSor, Lengde, OstVest, Kvalitet, Satellitter, Pdop, Stasjon = 13 };
inline constexpr int kMin = 8;
} // namespace gga
namespace psimgps {
enum : int { Bredde = 2, NordSor, Lengde, OstVest };
inline constexpr int kMin = 6;
} // namespace psimgps

// --- Course, speed and time ---
namespace rmc {
enum : int { Tid, Status, Bredde, NordSor, Lengde, OstVest, Fart, Kurs, Dato };
inline constexpr int kMin = 9;
} // namespace rmc
namespace vtg {
enum : int { Kurs = 0, Fart = 4 }; // true course, knots
inline constexpr int kMin = 6;
} // namespace vtg
namespace zda {
enum : int { Tid, Dag, Maaned, Aar };
inline constexpr int kMin = 4;
} // namespace zda
namespace mte {
inline constexpr int kMin = 2; // then read as one text
} // namespace mte

// --- Heading and attitude; Vinkel1 and Vinkel2 in the order the attitude line writes them ---
namespace ths {
enum : int { Heading, Status }; // status A autonomous, E estimated, M manual, S simulator, V invalid
inline constexpr int kMin = 2;
} // namespace ths
namespace hdm {
enum : int { Heading, Referanse };
inline constexpr int kMin = 2;
} // namespace hdm
namespace hdg {
enum : int { Heading };
inline constexpr int kMin = 1;
} // namespace hdg
namespace psimsns {
enum : int { Vinkel2 = 4, Vinkel1 = 5, Heading = 7 };
inline constexpr int kMin = 8;
} // namespace psimsns
namespace gpatt { // also PJRCD,GP,5
enum : int { Heading, Vinkel1, Vinkel2 };
inline constexpr int kMin = 3;
} // namespace gpatt
namespace hrp {
enum : int { Heading = 1, Referanse, Vinkel1, Vinkel2 };
inline constexpr int kMin = 5;
} // namespace hrp

// --- Underwater positioning ---
namespace psimmds {
enum : int {
    Maal = 2,
    Status,
    Avstand = 8,
    AvstandEnhet,
    Vinkel,
    VinkelSide,
    Dybde,
    DybdeEnhet,
    Areal = 18,
    ArealEnhet,
    Volum,
    VolumEnhet,
};
inline constexpr int kMin = 19;
} // namespace psimmds
namespace pore {
enum : int { Navn, Nord = 5, Ost, Dybde, Kvalitet = 10 };
inline constexpr int kMin = 12;
} // namespace pore

// --- Depth and seabed ---
namespace dbt { // also DBS
enum : int { Fot, Meter = 2, Favn = 4 };
inline constexpr int kMin = 6;
} // namespace dbt
namespace mtw {
enum : int { Temperatur, Enhet };
inline constexpr int kMin = 2;
} // namespace mtw
namespace psap {
enum : int { DybdeMerke = 2, Dybde, DybdeEnhet, E1 = 6, E2 = 8 };
inline constexpr int kMin = 10;
} // namespace psap

// --- Trawl and catch ---
namespace smdbs {
enum : int { Dybde = 2 };
inline constexpr int kMin = 3;
} // namespace smdbs
namespace scanmar { // SMTDS, SMTFI, SMCL1, SMMTW
enum : int { Verdi };
inline constexpr int kMin = 1;
} // namespace scanmar
namespace smhfb {
enum : int { Aapning, OverBunn = 2 };
inline constexpr int kMin = 3;
} // namespace smhfb
namespace ma {
enum : int { Forste, Verdi1, Verdi2 = 5, Verdi3 = 9, Verdi4 = 12 };
inline constexpr int kMin = 13;
} // namespace ma
namespace iti { // the values are the even-numbered fields
enum : int { Tillegg = 8 };                 // S1, S2, DE, TM, MW: after four values
inline constexpr int kMin = 9;
inline constexpr int kMinTi = 10; // CA (three values, three counts), H1 and H2 (five values)
enum : int { Antall1 = 6, Antall2, Antall3 }; // the counts of CA
} // namespace iti
namespace ptsal {
inline constexpr int kMin = 6; // six values
} // namespace ptsal

// --- Weather ---
namespace mta { // also MMB
enum : int { Verdi };
inline constexpr int kMin = 1;
} // namespace mta
namespace mwv {
enum : int { Retning, Referanse, Fart, Enhet };
inline constexpr int kMin = 4;
} // namespace mwv
namespace xdr { // the first quadruple
enum : int { Type, Verdi, Enhet, Navn };
inline constexpr int kMin = 1;
} // namespace xdr

// --- Radar, waypoints, camera ---
namespace ttm {
enum : int { Nr, Avstand, Peiling, Peileref, Fart, Kurs, Kursref, Cpa, Tcpa, Enhet, Navn, Status };
inline constexpr int kMin = 12;
} // namespace ttm
namespace tll {
enum : int { Navn, Bredde, NordSor, Lengde, OstVest };
inline constexpr int kMin = 5;
} // namespace tll
namespace wpl {
enum : int { Bredde, NordSor, Lengde, OstVest, Navn };
inline constexpr int kMin = 5;
} // namespace wpl
namespace vtc {
enum : int { Tidskode, Status };
inline constexpr int kMin = 2;
} // namespace vtc

} // namespace decoder
