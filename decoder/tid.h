// The host's time zone, consulted once rather than on every conversion: libc
// looks at /etc/localtime again on each mktime and localtime_r, and a busy
// replay converts a GPS time every second of the recording.
#pragma once

#include <cstdint>
#include <ctime>

namespace decoder {

class Tolk;

// Seconds since 1970 of a broken-down UTC time, normalised the way mktime
// normalises: a month or day outside its range runs into the next or the
// one before.
int64_t utc_sekunder(const tm& b);

// Seconds since 1970 of a broken-down time read as the host's standard
// time, as mktime reads one whose daylight-saving flag is 0. The zone's
// standard offset is taken from the first time converted and then kept.
int64_t fra_normaltid(Tolk& t, const tm& b);

// "%y%m%d%H%M%S" of the wall-clock second in local time, in the decoder's
// buffer; the zone is looked up once a second at most.
const char* lokal_dato(Tolk& t, int64_t sekund);

} // namespace decoder
