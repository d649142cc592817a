// The replay clock and paced replay. A recorded line carries its time before
// the sentence ("HH:MM:SS" or a number of seconds); a line without one comes
// one second after the line before it.
#pragma once

#include "decoder/runtime.h"

#include <cstdint>

namespace decoder {

// The replay time of the line, seconds, given that of the line before.
int32_t replaytid_for(const char* linje, int32_t forrige);

// Paced replay: before each line, wait until as much time has passed since
// the first line as the recording's clock has moved on. A host that shows the
// replay as it happens (the application) turns it on; the program replays as
// fast as it can read.
extern bool replaytempo;

// The monotonic clock (microseconds) and the wait that paced replay uses;
// tests swap them so that nothing waits. The wait may end early (a stop).
using Sovn = void (*)(int64_t mikrosekunder);
extern Mikroklokke tempoklokke;
extern Sovn sov;
int64_t monotonmikroklokke();

class Tempo {
public:
    // Microseconds until the line with replay time `tid` is due, 0 when it
    // is. The first line sets the start; so does a line whose time goes back
    // (past midnight, a recording joined to another), which is due at once.
    int64_t ventetid(int32_t tid);

private:
    bool startet_ = false;
    int64_t start_ = 0;      // tempoklokke at the start
    int32_t starttid_ = 0;   // replay time at the start
    int32_t forrige_ = 0;
};

} // namespace decoder
