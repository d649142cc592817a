// Feeds arbitrary bytes through the whole line path: cleaning, checksum,
// forget test, the instrument line shapes, dispatch and every decoder.
//
// The first byte chooses switches so that the fuzzer also reaches what they
// guard: bit 0 skips checksum verification (most mutations break the sum),
// bit 1 is replay mode, bit 2 special-target mode, bit 3 accepts jumping
// fixes, bit 6 fills the forget list with a sentence and an instrument
// prefix. The rest is split into lines as a datagram is (at LF, CR or
// CR LF), each handled at a clock that moves on by the low bits of the
// line's first byte.
#include "decoder/linjer.h"
#include "decoder/runtime.h"
#include "decoder/state.h"
#include "decoder/tekst.h"
#include "decoder/tolkar.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {
FILE* null_strom() {
    static FILE* f = std::fopen("/dev/null", "w");
    return f;
}
int32_t fuzz_tid = 1700000000;
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace decoder;
    reset_state();
    ut = null_strom();
    feil = null_strom();
    klokke = [] { return fuzz_tid; };
    mikroklokke = [] { return int64_t{fuzz_tid} * 1000000; };
    avslutt = [](int) { std::abort(); }; // nothing in the line path may be fatal
    fuzz_tid = 1700000000;
    if (size == 0) return 0;
    uint8_t brytere = data[0];
    utensjekksum = brytere & 1;
    int replay = (brytere >> 1) & 1;
    if (brytere & 4) spesialrmc = "Fuzz";
    alltidgps = (brytere >> 3) & 1;
    if (brytere & 0x40) {
        // reset_state() frees the list again before the next input.
        for (const char* t : {"$GPGSV", "D1,"}) {
            auto* node = static_cast<glemnode*>(vmalloc(sizeof(glemnode)));
            node->tekst = vstrdup(t);
            node->neste = forsteglem;
            forsteglem = node;
        }
    }
    ++data;
    --size;

    char linje[kLinjelengde];
    const char* p = reinterpret_cast<const char*>(data);
    const char* slutt = p + size;
    bool cr = false;
    for (int n; (n = dellinje(linje, p, slutt, cr)) >= 0;) {
        fuzz_tid += (n ? static_cast<unsigned char>(linje[0]) : 0) & 0x1F;
        klokkepass(fuzz_tid);
        linjesteg(linje, fuzz_tid, replay);
    }
    return 0;
}
