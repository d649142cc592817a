// A recording in the decoder's replay format, read into a timeline: each
// sentence with the number of recorded seconds since the first timed line.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace nmea_send {

struct Entry {
    std::int64_t offset_s = 0; // recorded seconds after the first timed line
    std::string sentence;      // as recorded, without a line end
};

struct Recording {
    std::vector<Entry> entries;
    std::size_t skipped = 0;            // malformed lines left out
    std::size_t first_skipped_line = 0; // 1-based; 0 when none was skipped
};

// Lines are "HH:MM:SS <sentence>" or a bare sentence, which goes right after
// the line before it. A sentence starts with '$' or '!'. Blank lines are
// ignored; anything else is counted as skipped. A time earlier than the one
// before it is a midnight wrap when it is more than twelve hours earlier, and
// otherwise a jump back that is sent at once.
Recording parse_recording(std::string_view text);

} // namespace nmea_send
