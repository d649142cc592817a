// Which decoder gets a cleaned line: the six instrument line shapes that are
// not NMEA sentences, then the ordered key table of the sentences.
#pragma once

namespace decoder {

// Where in the sentence a key is looked for.
enum class Ved : char {
    S, // from the "$" or "!"
    P, // right after the "$" or "!"
    T, // after the "$" or "!" and the two talker characters
};

struct Nokkel {
    const char* nokkel;
    Ved ved;
    bool ikke_spesial;         // only when special-target mode is off
    bool fra_nokkel;           // the handler gets the text from the key on
    void (*handler)(const char*); // null: the sentence is dropped
};

// The key table in the order it is tested.
const Nokkel* nokkeltabell(int* antall);

// Hands the line to its instrument decoder when it has one of the non-NMEA
// shapes; returns which of the six shapes (1 to 6), or 0 when none fits.
int dekod_ikke_nmea(const char* linje);

// Dispatches a sentence (from its "$" or "!"). Returns the table row that
// took it, or null when it was dropped.
const Nokkel* dekod_setning(const char* setning);

} // namespace decoder
