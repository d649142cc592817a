// The decoder's entry point and its sentence loop, on one decoder instance.
#pragma once

#include <cstdint>
#include <cstdio>

namespace decoder {

class Tolk;
struct Nokkel;

// Parses the options, prepares the input and runs the loop. Returns 0 after
// -h, when a UDP or serial input ends and when a stop is asked for; replay
// mode ends the run through t.avslutt, with status 0 at the end of the
// recording (having set t.replay_ferdig) and with a message and status 1
// when it cannot be read.
int inputData(Tolk& t, int argc, char** argv);

// Reads lines from `inn` (or the UDP port when port is non-zero) until the
// input ends or a stop is asked for. Before a read that could wait for input,
// the log stream is flushed, and `flushes` too unless in UDP mode, and both
// again when the input ends. Returns 0, or the errno of a read error that
// ended it.
int tolkar(Tolk& t, FILE* inn, FILE* flushes, int replay, int port);

// Everything the loop does with one line once it is read: stamp it with the
// clock reading `naa`, log and relay it, clean it, verify its checksum, test
// the forget list and dispatch it. The line is changed in place; it must be
// terminated and at most 1023 characters long. A host that drives a decoder
// itself (a recorded log in step with a video) calls klokkepass and this,
// in the C locale (CLokale, runtime.h).
struct Linjeutfall {
    enum Hva { Glemt, Instrument, IngenSetning, Sjekksumfeil, Forkastet, Dekodet } hva;
    int slag = 0;                  // Instrument: which line shape (1 to 6)
    const Nokkel* rad = nullptr;   // Dekodet: the key table row that took it
};
Linjeutfall linjesteg(Tolk& t, char* linje, int32_t naa, int replay);

// Step 2 of a pass: a gap of more than 20 s since the previous pass, or a
// clock that went back, starts the fix window again.
void klokkepass(Tolk& t, int32_t naa);

// Reads the start-up switch files of the working folder.
void les_skipsdata(Tolk& t);

// Writes the raw line to the -d log file, when there is one.
void loggtilfil(Tolk& t, const char* linje);

// The forget list "glemnmea": reads it (in serial mode), adds one prefix,
// and tests a text against it.
void lesglem(Tolk& t);
void glem(Tolk& t, const char* prefiks);
bool glemt(const Tolk& t, const char* tekst);

// Sets the serial line up like "stty <baud> nl -parenb -parodd cs8 -crtscts
// -ixoff -echo -ignpar onlcr -icanon" would; returns false when the device
// refuses the settings.
bool sett_opp_linje(Tolk& t, int fd, const char* baud);

} // namespace decoder
