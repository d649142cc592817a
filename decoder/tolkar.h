// The decoder's entry point and its sentence loop.
#pragma once

#include <cstdint>
#include <cstdio>

namespace decoder {

// Parses the options, prepares the input and runs the loop. Returns 0 after
// -h, when a UDP or serial input ends and when a stop is asked for; replay
// mode ends the process, with status 0 at the end of the recording (having
// set replay_ferdig) and with a message and status 1 when it cannot be read.
int inputData(int argc, char** argv);
extern bool replay_ferdig;

// Reads lines from `inn` (or the UDP port when port is non-zero) until the
// input ends or a stop is asked for. Before a read that could wait for input,
// `ut` is flushed, and `flushes` too unless in UDP mode, and both again when
// the input ends. Returns 0, or the errno of a read error that ended it.
int tolkar(FILE* inn, FILE* flushes, int replay, int port);

// Everything the loop does with one line once it is read: stamp it with the
// clock reading `naa`, log and relay it, clean it, verify its checksum, test
// the forget list and dispatch it. The line is changed in place; it must be
// terminated and at most 1023 characters long.
struct Nokkel;
struct Linjeutfall {
    enum Hva { Glemt, Instrument, IngenSetning, Sjekksumfeil, Forkastet, Dekodet } hva;
    int slag = 0;                  // Instrument: which line shape (1 to 6)
    const Nokkel* rad = nullptr;   // Dekodet: the key table row that took it
};
Linjeutfall linjesteg(char* linje, int32_t naa, int replay);

// Step 2 of a pass: a gap of more than 20 s since the previous pass, or a
// clock that went back, starts the fix window again.
void klokkepass(int32_t naa);

// The replay offset the loop keeps from line to line.
extern int32_t replayoffset;

// Reads the start-up switch files of the working folder.
void les_skipsdata();

// Writes the raw line to the -d log file, when there is one.
void loggtilfil(const char* linje);

// The forget list "glemnmea".
struct glemnode {
    char* tekst;
    glemnode* neste;
};
extern glemnode* forsteglem;
void lesglem();
bool glemt(const char* tekst);

// Sets the serial line up like "stty <baud> nl -parenb -parodd cs8 -crtscts
// -ixoff -echo -ignpar onlcr -icanon" would; returns false when the device
// refuses the settings.
bool sett_opp_linje(int fd, const char* baud);

} // namespace decoder
