#include "decoder/overlegg.h"

#include "decoder/tolk.h"

#include <atomic>
#include <thread>

namespace decoder {

namespace {
constexpr auto r = std::memory_order_relaxed;
} // namespace

void still_klokka(Tolk& t) {
    const int64_t avvik = t.klokkeavvik.load(r);
    if (avvik != kIngenKlokke && t.nasekund == t.klokkesekund) return;
    t.klokkesekund = t.nasekund;
    // A line's second is at most the time it came at: one that puts the
    // clock back by less than a second is the later part of a second and
    // says less than the one before; by more, the clock itself went back.
    const int64_t ny = int64_t{t.nasekund} * 1000000 - t.tempoklokke();
    if (avvik == kIngenKlokke || ny > avvik || ny < avvik - 1000000) t.klokkeavvik.store(ny, r);
}

double naatid(const Tolk& t) {
    const int64_t avvik = t.klokkeavvik.load(r);
    if (avvik == kIngenKlokke) return kAldri;
    return static_cast<double>(t.tempoklokke() + avvik) / 1e6;
}

double settetid(const Tolk& t) {
    if (t.klokkeavvik.load(r) == kIngenKlokke || t.klokkesekund != t.nasekund) return t.nasekund;
    return naatid(t);
}

void skriv_fiks(Tolk& t, const Overleggsfiks& f) {
    const uint32_t n = t.fiksteller.load(r);
    t.fiksteller.store(n + 1, r);
    std::atomic_thread_fence(std::memory_order_release);
    t.gHeadUp.store(f.headUp, r);
    t.gHeadingFiks.store(f.heading, r);
    t.gLon.store(f.lon, r);
    t.gLat.store(f.lat, r);
    t.gLatBoat.store(f.latBoat, r);
    t.gLonBoat.store(f.lonBoat, r);
    t.gDybdeTransponder.store(f.dybde, r);
    t.tidPosisjon.store(f.tid, r);
    t.fiksteller.store(n + 2, std::memory_order_release);
}

Overleggsfiks les_fiks(const Tolk& t) {
    Overleggsfiks f;
    for (;;) {
        const uint32_t for_ = t.fiksteller.load(std::memory_order_acquire);
        if (for_ & 1) {
            std::this_thread::yield();
            continue;
        }
        f.headUp = t.gHeadUp.load(r);
        f.heading = t.gHeadingFiks.load(r);
        f.lon = t.gLon.load(r);
        f.lat = t.gLat.load(r);
        f.latBoat = t.gLatBoat.load(r);
        f.lonBoat = t.gLonBoat.load(r);
        f.dybde = t.gDybdeTransponder.load(r);
        f.tid = t.tidPosisjon.load(r);
        std::atomic_thread_fence(std::memory_order_acquire);
        if (t.fiksteller.load(r) == for_) return f;
    }
}

} // namespace decoder
