// One decoder: its navigation values, the working values its sentence
// decoders share, its start-up switches and its seams to the outside (where
// its text goes, its clocks, how a fatal error ends it, its stop and its
// sockets). Instances share nothing mutable, so a host can run one per input
// (a live port and a replayed log side by side); a fresh instance is a clean
// start.
//
// One thread at a time drives an instance and writes all of it. The overlay
// values are atomics, so another thread can read them whole without a lock.
#pragma once

#include "decoder/geodesi.h"
#include "decoder/stopp.h"
#include "decoder/udp.h"

#include <atomic>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <limits>
#include <string>

namespace decoder {

inline constexpr int kMaksFelt = 30;       // field pointers of splittfelt
inline constexpr int kNmeabufLengde = 200; // characters splittfelt accepts
inline constexpr int kMaksFiks = 1000;     // largest fix window
// The time of a value never set.
inline constexpr double kAldri = std::numeric_limits<double>::quiet_NaN();
// klokkeavvik before the first line.
inline constexpr int64_t kIngenKlokke = std::numeric_limits<int64_t>::min();

// Wall clock, whole seconds since 1970 (32-bit like every decoder time).
using Sekundklokke = std::function<int32_t()>;
// A clock in microseconds: the wall clock since 1970, or a monotonic one.
using Mikroklokke = std::function<int64_t()>;
// Ends a run with the status; must not return.
using Avslutter = std::function<void(int status)>;
// Waits so many microseconds; may end early (a stop).
using Sovn = std::function<void(int64_t mikrosekunder)>;

int32_t systemklokke();
int64_t systemmikroklokke();
int64_t monotonmikroklokke();

// The forget list "glemnmea": prefixes of lines to ignore.
struct glemnode {
    char* tekst;
    glemnode* neste;
};

class Tolk {
public:
    Tolk();
    ~Tolk();
    Tolk(const Tolk&) = delete;
    Tolk& operator=(const Tolk&) = delete;

    // --- Seams: the program keeps the defaults; tests, the fuzzer and hosts swap them ---
    FILE* ut = stdout;           // log lines and start messages
    FILE* feil = stderr;         // error notices
    Sekundklokke klokke;         // the time a line is stamped with
    Mikroklokke mikroklokke;     // the microseconds of the UDP log's time stamp
    Avslutter avslutt;           // the program exits the process; a host throws
    bool replaytempo = false;    // replay at the recording's pace (a host that shows it)
    Mikroklokke tempoklokke;     // monotonic clock of paced replay and of the decoder's now
    Sovn sov;                    // paced replay's wait; the default is cut short by stopp
    Stopp stopp;
    Udp udp;

    // --- Navigation values read by the overlay (relaxed atomics) ---
    // The fix values (the four positions, gHeadUp, gHeadingFiks,
    // gDybdeTransponder, tidPosisjon) are written together between two
    // steps of fiksteller and read whole with les_fiks (overlegg.h).
    std::atomic<double> gLatBoat{0.0};
    std::atomic<double> gLonBoat{0.0};
    std::atomic<double> gLat{0.0};
    std::atomic<double> gLon{0.0};
    std::atomic<float> gHeadingBoat{0.0f};
    // Orientation of the offset gLat/gLon: true when the accepted target
    // report was head-up (offset along the bow and to starboard), false when
    // north-up.
    std::atomic<bool> gHeadUp{false};
    // The heading a head-up fix was measured against, and the transponder's
    // depth in that fix (metres).
    std::atomic<double> gHeadingFiks{0.0};
    std::atomic<double> gDybdeTransponder{0.0};
    std::atomic<uint32_t> fiksteller{0}; // odd while a fix is being written

    // --- ROV telemetry, from the ROV's own line ---
    std::atomic<int32_t> gHeadingROV{0};
    std::atomic<double> gDepth{0.0};
    std::atomic<double> gAlti{0.0};

    // --- When the overlay values were last set, on the decoder clock ---
    // Seconds (see naatid, overlegg.h); kAldri before the first.
    std::atomic<double> tidPosisjon{kAldri}; // the accepted transponder fix
    std::atomic<double> tidHeading{kAldri};  // a true heading
    std::atomic<double> tidDybde{kAldri};    // the ROV line
    // The last UTC the stream carried (ZDA, RMC or GGA), as seconds since
    // 1970 minus the decoder-clock time it came at (so that a reader of one
    // value has it whole), and that time.
    std::atomic<double> stromavvik{kAldri};
    std::atomic<double> tidStromUtc{kAldri};
    // The decoder clock against tempoklokke: decoder seconds times a million
    // minus tempoklokke, taken when a line starts a new decoder second.
    std::atomic<int64_t> klokkeavvik{kIngenKlokke};
    int32_t klokkesekund = 0; // the second klokkeavvik was taken in

    // --- Working values ---
    int32_t nasekund = 0;
    int32_t forrsekund = 0;
    // The fields of the text last split (splittfelt); antfelt is their
    // number, -1 when the text was refused.
    char* felt[kMaksFelt] = {};
    int antfelt = 0;
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
    glemnode* forsteglem = nullptr;
    int32_t replayoffset = 0;

    // --- Run-time switches ---
    int32_t beregnant = 10;
    int utensjekksum = 0;
    int alltidgps = 0;
    const char* spesialrmc = nullptr;
    int isBroadcast = 0;
    int isUDPLog = 0;
    int port_udp_broadcast = 0;
    FILE* loggefp = nullptr; // closed with the decoder
    int32_t PingerOfROVNumber = 33;

    // --- How the run ended, for a host that says why it stopped ---
    bool replay_ferdig = false; // a replay was read to its end
    char feilmelding[512] = ""; // the last fatal error, without its line end

    // --- Kept by one family from sentence to sentence ---
    // Fixes (fiks.cpp): the last fix that passed the repeat tests, in packed
    // form, even when the jump test then refused it; the last course
    // estimated from the window.
    double forr_bredde = 0.0;
    double forr_lengde = 0.0;
    int32_t forr_tid = 0;
    double kurs = 0.0;
    // Headings (heading.cpp): the last logged heading of each kind and when.
    struct Sistlogget {
        double heading = -1.0;
        int32_t tid = 0;
    };
    Sistlogget sann, magnetisk;
    // Depths (dybde.cpp): time and depth last accepted from each source.
    static constexpr int kDybdekilder = 4;
    int32_t sistetid[kDybdekilder] = {};
    double sistedybde[kDybdekilder] = {};
    // Start-up files (skipsdata.cpp): modification time of "Skipsdata" when
    // it was last read; 0 reads it the first time.
    int32_t skipsdata_tid = 0;
    // The name of -r; spesialrmc points into it.
    std::string spesialnavn;
    // The host's time zone, read once (tid.cpp): the offset of its standard
    // time, and the local date of the last second the UDP log stamped.
    bool har_normaltid = false;
    int64_t normaltid = 0; // seconds west of UTC
    bool har_stempel = false;
    int64_t stempelsekund = 0;
    char stempeldato[13] = ""; // twelve digits
    char tidsstempel[20] = "";
};

} // namespace decoder
