// The decoder's seams to the outside: where its text goes, where the time
// comes from and how a fatal error ends the process. Tests and the fuzzer
// swap these; the program keeps the defaults.
#pragma once

#include <cstdint>
#include <cstdio>

namespace decoder {

// Log lines and start messages go to `ut`, error notices to `feil`.
extern FILE* ut;
extern FILE* feil;

// Wall clock, whole seconds since 1970 (32-bit like every decoder time).
using Sekundklokke = int32_t (*)();
// Wall clock with microseconds since 1970.
using Mikroklokke = int64_t (*)();
extern Sekundklokke klokke;
extern Mikroklokke mikroklokke;
int32_t systemklokke();
int64_t systemmikroklokke();

// Ends the process with the status. Tests replace it with one that throws;
// it must not return (fatal() aborts if it does).
using Avslutter = void (*)(int status);
extern Avslutter avslutt;

// Status of every fatal decoder error that has no status of its own.
inline constexpr int kFeilstatus = 1;

// Writes the formatted message as one line on `feil` (no second line end if
// it has one) and ends the process with the status.
[[noreturn]] void fatal_status(int status, const char* fmt, ...)
    __attribute__((format(printf, 2, 3)));
[[noreturn]] void fatal(const char* fmt, ...) __attribute__((format(printf, 1, 2)));
// Ends the process with the status after flushing, for errors whose message
// has already been printed where it belongs.
[[noreturn]] void avslutt_status(int status);

// The text of the last fatal error (without its line end), for a host that
// runs the decoder in-process and shows why it stopped; empty when there has
// been none since glem_feilmelding().
const char* siste_feilmelding();
void glem_feilmelding();

// Formatted text on `ut` (decoder log lines and messages) or `feil`.
void skriv(const char* fmt, ...) __attribute__((format(printf, 1, 2)));
void skrivfeil(const char* fmt, ...) __attribute__((format(printf, 1, 2)));

// Turns an untrusted double into an int32 without undefined behaviour:
// truncates toward zero, NaN gives 0, out-of-range values saturate.
int32_t til_int32(double v);

// Saturates a 64-bit value to the 32-bit range.
int32_t klem(int64_t v);

// Parses a decimal integer at the start of the text like atoi, but saturates
// instead of overflowing; no digits gives 0.
int32_t les_heltall(const char* s);

// True when the whole text is one decimal integer (blanks around it allowed),
// read into v like les_heltall; false for no digits or text after them.
bool les_helt_tall(const char* s, int32_t& v);

} // namespace decoder
