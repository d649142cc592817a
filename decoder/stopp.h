// How a host that runs the decoder in-process (the application) stops it:
// the loop ends before its next line, and its waits for input (a UDP port,
// a pipe or serial line, a paced replay) end at once. A line that has begun
// to arrive is still read to its end.
#pragma once

#include <cstdint>

namespace decoder {

// Safe from any thread.
void be_om_stopp();
bool stopp_bedt();
// Forgets a stop asked for, before a new run.
void nullstill_stopp();

// Waits until fd has something to read, or its end (true), or a stop is
// asked for (false).
bool vent_paa_lesbar(int fd);
// Waits so many microseconds, or less when a stop is asked for.
void vent_med_stopp(int64_t mikrosekunder);

} // namespace decoder
