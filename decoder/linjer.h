// Line ends of every input: a line ends at LF, at CR, or at CR LF. Old
// instruments end their lines in CR alone, navigation computers put several
// lines in one datagram, and some end them in LF alone.
//
// A CR ends its line at once, without waiting for the next byte, so that a
// serial line that ends in CR alone is read as the lines come; the CR stays
// on the line (the per-line step removes it, and the raw log keeps it). The
// LF of a CR LF, and any further CRs before it, belong to the line end that
// came before: `cr` carries that from one line to the next.
#pragma once

#include <cstdio>

namespace decoder {

// Reads one line from the stream into buf (room for kLinjelengde bytes);
// a longer line is clipped with a message. Returns its length, or -1 at the
// end of the stream with nothing read. Trailing blanks before LF go.
int talinje(char* buf, FILE* fp, bool& cr);

// The same for text in memory: takes the next line of [p, slutt) and moves
// p past it. Returns -1 when nothing is left.
int dellinje(char* buf, const char*& p, const char* slutt, bool& cr);

// True when [p, slutt) holds a whole line after what belongs to the line end
// before it, so that reading that line cannot wait.
bool hel_linje(const char* p, const char* slutt, bool cr);

} // namespace decoder
