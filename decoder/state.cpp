#include "decoder/state.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace decoder {

std::atomic<double> gLatBoat{0.0};
std::atomic<double> gLonBoat{0.0};
std::atomic<double> gLat{0.0};
std::atomic<double> gLon{0.0};
std::atomic<float> gHeadingBoat{0.0f};
std::atomic<bool> gHeadUp{false};

int32_t gHeadingROV = 0;
double gDepth = 0.0;
double gAlti = 0.0;

int32_t nasekund = 0;
int32_t forrsekund = 0;
char* felt[kMaksFelt] = {};
char nmeabuf[kNmeabufLengde + 1] = {};
fiks posfiks[kMaksFiks] = {};
int32_t ant = 0;
fiks sistepos{};
int32_t rmctid = 0;
double sistefart = 0.0;
double sistehprheading = 0.0;
int32_t arpatid = 0;
double dybdekorr = 0.0;
const char* ttynavn = nullptr;

int32_t beregnant = 10;
int utensjekksum = 0;
int alltidgps = 0;
const char* spesialrmc = nullptr;
int isBroadcast = 0;
int isUDPLog = 0;
int port_udp_broadcast = 0;
FILE* loggefp = nullptr;
int32_t PingerOfROVNumber = 33;

namespace {
std::vector<Nullstiller>& nullstillere() {
    static std::vector<Nullstiller> v;
    return v;
}
} // namespace

bool registrer_nullstiller(Nullstiller f) {
    nullstillere().push_back(f);
    return true;
}

void reset_state() {
    constexpr auto r = std::memory_order_relaxed;
    gLatBoat.store(0.0, r);
    gLonBoat.store(0.0, r);
    gLat.store(0.0, r);
    gLon.store(0.0, r);
    gHeadingBoat.store(0.0f, r);
    gHeadUp.store(false, r);
    gHeadingROV = 0;
    gDepth = 0.0;
    gAlti = 0.0;
    nasekund = 0;
    forrsekund = 0;
    std::fill(std::begin(felt), std::end(felt), nullptr);
    std::memset(nmeabuf, 0, sizeof nmeabuf);
    std::fill(std::begin(posfiks), std::end(posfiks), fiks{});
    ant = 0;
    sistepos = fiks{};
    rmctid = 0;
    sistefart = 0.0;
    sistehprheading = 0.0;
    arpatid = 0;
    dybdekorr = 0.0;
    ttynavn = nullptr;
    beregnant = 10;
    utensjekksum = 0;
    alltidgps = 0;
    spesialrmc = nullptr;
    isBroadcast = 0;
    isUDPLog = 0;
    port_udp_broadcast = 0;
    if (loggefp) std::fclose(loggefp);
    loggefp = nullptr;
    PingerOfROVNumber = 33;
    for (Nullstiller f : nullstillere()) f();
}

} // namespace decoder
