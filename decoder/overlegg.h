// What the overlay reads from a decoder, and when it was set: the decoder
// clock (whole seconds on the lines, carried on between lines by tempoklokke,
// so that a paced replay ages its values as the recording did), the fix
// values written and read whole, and the times of the other values.
#pragma once

#include <cstdint>

namespace decoder {

class Tolk;

// The accepted transponder fix as one record.
struct Overleggsfiks {
    double latBoat = 0; // vessel, minutes of arc
    double lonBoat = 0;
    double lat = 0;     // offset, nautical miles: north or forward
    double lon = 0;     //                         east or to starboard
    bool headUp = false;
    double heading = 0; // what a head-up offset was measured against
    double dybde = 0;   // transponder depth, metres
    double tid = 0;     // decoder clock when it was accepted
};

// The line being decoded has the time t.nasekund: a new second sets the
// decoder clock against tempoklokke (the decoder thread, once per line). The
// clock never goes back by less than a second, so that ages and the stream's
// time do not step back when a second's first line comes late in it.
void still_klokka(Tolk& t);

// The decoder's now in seconds, from any thread; kAldri before the first line.
double naatid(const Tolk& t);

// The time a value set now is given (decoder thread): naatid, or nasekund
// when no line has set the clock (a decoder called directly).
double settetid(const Tolk& t);

// Writes the fix values (decoder thread) and reads them (any thread) so that
// a reader never gets half of one fix and half of another.
void skriv_fiks(Tolk& t, const Overleggsfiks& f);
Overleggsfiks les_fiks(const Tolk& t);

} // namespace decoder
