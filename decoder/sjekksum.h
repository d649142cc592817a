// The NMEA checksum: the XOR of every byte between the "$" or "!" and the
// "*". Header-only, so that the tools, tests and benchmarks that write
// sentences use the decoder's own.
#pragma once

#include <cstdio>
#include <string>
#include <string_view>

namespace decoder {

// The checksum of the text between the start character and the "*".
constexpr unsigned char nmea_sum(std::string_view kropp) {
    unsigned char sum = 0;
    for (char c : kropp) sum ^= static_cast<unsigned char>(c);
    return sum;
}

// The sentence (from its "$" or "!") with the tail "*HH" in capital hex.
inline std::string med_sum(std::string_view setning) {
    char hale[4];
    std::snprintf(hale, sizeof hale, "*%02X", nmea_sum(setning.substr(setning.empty() ? 0 : 1)));
    return std::string(setning) + hale;
}

} // namespace decoder
