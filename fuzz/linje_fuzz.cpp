// Feeds arbitrary bytes through the whole line path: cleaning, checksum,
// forget test, the instrument line shapes, dispatch and every decoder, on a
// fresh decoder per input.
//
// The first byte chooses switches so that the fuzzer also reaches what they
// guard: bit 0 skips checksum verification (most mutations break the sum),
// bit 1 is replay mode, bit 2 special-target mode, bit 3 accepts jumping
// fixes, bit 6 fills the forget list with a sentence and an instrument
// prefix. The rest is split into lines as a datagram is (at LF, CR or
// CR LF), each handled at a clock that moves on by the low bits of the
// line's first byte.
#include "decoder/linjer.h"
#include "decoder/tolk.h"
#include "decoder/tolkar.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace {
FILE* null_strom() {
    static FILE* f = std::fopen("/dev/null", "w");
    return f;
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace decoder;
    if (size == 0) return 0;
    int32_t tid = 1700000000;
    Tolk t;
    t.ut = null_strom();
    t.feil = null_strom();
    t.klokke = [&tid] { return tid; };
    t.mikroklokke = [&tid] { return int64_t{tid} * 1000000; };
    t.avslutt = [](int) { std::abort(); }; // nothing in the line path may be fatal
    const uint8_t brytere = data[0];
    t.utensjekksum = brytere & 1;
    const int replay = (brytere >> 1) & 1;
    if (brytere & 4) t.spesialrmc = "Fuzz";
    t.alltidgps = (brytere >> 3) & 1;
    if (brytere & 0x40)
        for (const char* prefiks : {"$GPGSV", "D1,"}) glem(t, prefiks);
    ++data;
    --size;

    char linje[kLinjelengde];
    const char* p = reinterpret_cast<const char*>(data);
    const char* slutt = p + size;
    bool cr = false;
    for (int n; (n = dellinje(t, linje, p, slutt, cr)) >= 0;) {
        tid += (n ? static_cast<unsigned char>(linje[0]) : 0) & 0x1F;
        klokkepass(t, tid);
        linjesteg(t, linje, tid, replay);
    }
    return 0;
}
