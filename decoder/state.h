// Process-wide state of the decoder: the navigation values the overlay shows,
// the working values the sentence decoders share, and the start-up switches.
// The decoder thread is the only writer. The five overlay values are atomics
// so the main thread can read them whole without a lock.
#pragma once

#include <atomic>
#include <cstdint>
#include <cstdio>

namespace decoder {

// A timed position fix: minutes of arc (north and east positive), decoder clock seconds.
struct fiks {
    double bredde = 0.0;
    double lengde = 0.0;
    int32_t tid = 0;
};

inline constexpr int kMaksFelt = 30;       // field pointers of splittfelt
inline constexpr int kNmeabufLengde = 200; // characters splittfelt accepts
inline constexpr int kMaksFiks = 1000;     // largest fix window

// --- Navigation values read by the overlay (relaxed atomics) ---
extern std::atomic<double> gLatBoat;
extern std::atomic<double> gLonBoat;
extern std::atomic<double> gLat;
extern std::atomic<double> gLon;
extern std::atomic<float> gHeadingBoat;
// Orientation of the offset gLat/gLon: true when the accepted target report was
// head-up (offset along the bow and to starboard), false when north-up. Written
// before the four position values, so a reader that sees a new offset sees its
// orientation too.
extern std::atomic<bool> gHeadUp;

// --- ROV telemetry (no reader inside this system) ---
extern int32_t gHeadingROV;
extern double gDepth;
extern double gAlti;

// --- Working values ---
extern int32_t nasekund;
extern int32_t forrsekund;
extern char* felt[kMaksFelt];
extern char nmeabuf[kNmeabufLengde + 1];
extern fiks posfiks[kMaksFiks];
extern int32_t ant;
extern fiks sistepos;
extern int32_t rmctid;
extern double sistefart;
extern double sistehprheading;
extern int32_t arpatid;
extern double dybdekorr;
extern const char* ttynavn;

// --- Run-time switches ---
extern int32_t beregnant;
extern int utensjekksum;
extern int alltidgps;
extern const char* spesialrmc;
extern int isBroadcast;
extern int isUDPLog;
extern int port_udp_broadcast;
extern FILE* loggefp;
extern int32_t PingerOfROVNumber;

// The serial line's name for log lines: empty in UDP and replay mode.
inline const char* ttyetikett() { return ttynavn ? ttynavn : ""; }

// Puts every value above back to its start value. The process never needs
// this; tests and the fuzzer do, to run many inputs from a clean start.
void reset_state();

// Each family file that keeps state of its own (rate limits, last-seen
// times) registers a reset function here so reset_state() reaches it.
using Nullstiller = void (*)();
bool registrer_nullstiller(Nullstiller f);

} // namespace decoder
