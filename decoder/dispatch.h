// Which decoder gets a cleaned line: the six instrument line shapes that are
// not NMEA sentences, then the ordered key table of the sentences.
#pragma once

#include <string_view>

namespace decoder {

class Tolk;

// Where in the sentence a key is looked for.
enum class Ved : char {
    S, // from the "$" or "!"
    P, // right after the "$" or "!"
    T, // after the "$" or "!" and the two talker characters
};

// A sentence decoder: the decoder, and the text after the key (from the key
// with fra_nokkel). When the row splits, the fields are in t.felt.
using Handler = void (*)(Tolk& t, const char* tekst);

struct Nokkel {
    std::string_view nokkel;
    Ved ved;
    bool ikke_spesial; // only when special-target mode is off
    bool fra_nokkel;   // the handler gets the text from the key on
    // Fields the sentence must have (felter.h); 0: it is not split, its
    // handler reads the text as it is.
    int min_felt;
    Handler handler; // null: the sentence is dropped
    Handler kort;    // gets a sentence with fewer fields; null drops it
};

// The key table in the order it is tested.
const Nokkel* nokkeltabell(int* antall);

// Hands the line to its instrument decoder when it has one of the non-NMEA
// shapes; returns which of the six shapes (1 to 6), or 0 when none fits.
int dekod_ikke_nmea(Tolk& t, const char* linje);

// Dispatches a sentence (from its "$" or "!"). Returns the table row that
// took it, or null when it was dropped.
const Nokkel* dekod_setning(Tolk& t, const char* setning);

} // namespace decoder
