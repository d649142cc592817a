// Trawl, catch and weather sensors: which sentences are taken, which fields
// reach the line, and what odd fields do.
#include "decoder/decoders.h"

#include "fangst.h"

#include <string>

using namespace decoder;
using testhjelp::Fangst;

namespace {
void s2(const char* t) { dekod_itispread(2, t); }
void h1(const char* t) { dekod_itihoyde(1, t); }
const std::string kFelt31 = "1" + std::string(30, ','); // more than the splitter takes
} // namespace

TEST(Trawl, HvaDekodernaGodtar) {
    const struct {
        void (*d)(const char*);
        const char* tekst;
        const char* ut; // every line written; empty: none
    } tabell[] = {
        {dekod_smdbs, "12.5,M,80.2,M", "7 DepthOfTrawl 80.2\n"},
        {dekod_smdbs, "12.5,M,,M", ""}, // field 0 alone is not enough
        {dekod_smhfb, "4.2,M", ""},
        {dekod_smmtw, kFelt31.c_str(), ""},
        {dekod_ma, "1,a,2,3,4,b,5,6,7,c,8,9,d", "7 Marelec a b c d\n"},
        {dekod_ma, "1,a,2,3,4,b,5,6,7,c,8,9", ""},
        // ITI values are the even-numbered fields; the odd ones are not read.
        {s2, ",nan,abc,x,-0.25,x,1e6,x,", "7 ITI sensor S2,0,0,-0.25,1e+06,\n"},
        {s2, "1,x,2,x,3,x,4,x", ""},
        {s2, "1,x,2,x,3,x,1e999,x,9", ""},
        {dekod_itimiddelvekt, "nan,x,2,x,3,x,4,x,9", ""},
        {dekod_iticatch, "1,x,2,x,3,x,12.7,-3,x,y", "7 ITI sensor CA,1,2,3,12,-3,0,\n"},
        {dekod_iticatch, "1,x,2,x,3,x,99999999999,-99999999999,7,y",
         "7 ITI sensor CA,1,2,3,2147483647,-2147483648,7,\n"},
        {h1, "1,x,2,x,3,x,4,x,5", ""},
        {dekod_geonet_ptsal, "1,2,3,4,5,inf", ""},
        // Weather: MMB passes its text on, XDR writes whole millibar.
        {dekod_mmb, "29.92,I,1.0132,B", "7 Pressure 29.92\n"},
        {dekod_mwv, "270,T,15.5,N,A", "7 WindDirection 270 Speed 15.5\n"},
        {dekod_mwv, "270,R,15.5,N,A", ""}, // relative wind
        {dekod_mwv, "270,T,15.5,M,A", ""}, // metres per second
        {dekod_xdr, "P,1.0132,B,Barometer", "felt[3]=Barometer\n7 Pressure 1013\n"},
        {dekod_xdr, "P,1.013,B,B", "felt[3]=B\n7 Pressure 1013\n"}, // 1012.99.. in single precision
        {dekod_xdr, "P,1e300,B,B", "felt[3]=B\n7 Pressure 2147483647\n"},
        {dekod_xdr, "P,-1e40,B,B", "felt[3]=B\n7 Pressure -2147483648\n"},
        {dekod_xdr, "P,nan,B,B", "felt[3]=B\n"},
        {dekod_xdr, "C,12.5,C,Air", "felt[3]=Air\n7 AirTemperature 12.5\n"},
        {dekod_xdr, "C,12.5,C", "felt[3]=\n7 AirTemperature 12.5\n"},
        {dekod_xdr, "A,1,D,Roll,P,1.0,B,Baro", "felt[3]=Roll\n"}, // first quadruple only
        {dekod_xdr, ",12.5,C,Air", ""},
    };
    for (const auto& t : tabell) {
        Fangst f;
        nasekund = 7;
        t.d(t.tekst);
        EXPECT_EQ(f.ut(), t.ut) << t.tekst;
    }
}
