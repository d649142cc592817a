// How a decoder writes and ends: its text goes to the instance's streams,
// and a fatal error ends the run through the instance's avslutt. Also the
// number conversions every family uses on untrusted text.
#pragma once

#include <cstdint>
#include <locale.h>

namespace decoder {

class Tolk;

// Status of every fatal decoder error that has no status of its own.
inline constexpr int kFeilstatus = 1;

// Writes the formatted message as one line on the error stream (no second
// line end if it has one), keeps it as the decoder's last fatal error and
// ends the run with the status.
[[noreturn]] void fatal_status(Tolk& t, int status, const char* fmt, ...)
    __attribute__((format(printf, 3, 4)));
[[noreturn]] void fatal(Tolk& t, const char* fmt, ...) __attribute__((format(printf, 2, 3)));
// Ends the run with the status after flushing, for errors whose message
// has already been printed where it belongs.
[[noreturn]] void avslutt_status(Tolk& t, int status);

// Formatted text on the log stream (decoder log lines and messages) or the
// error stream.
void skriv(Tolk& t, const char* fmt, ...) __attribute__((format(printf, 2, 3)));
void skrivfeil(Tolk& t, const char* fmt, ...) __attribute__((format(printf, 2, 3)));

// The decoder reads and writes its numbers in the C locale ("12.5"), whatever
// the host has set: Qt sets the user's, where the decimal sign may be a
// comma, and "5954.123" would then read as 5954. While one of these lives,
// its thread uses the C locale. inputData holds one; a host that calls
// linjesteg itself holds its own.
class CLokale {
public:
    CLokale();
    ~CLokale();
    CLokale(const CLokale&) = delete;
    CLokale& operator=(const CLokale&) = delete;

private:
    locale_t c_;
    locale_t forrige_;
};

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
