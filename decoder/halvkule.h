// The hemisphere field that follows a latitude or a longitude. Receivers
// differ in what they write there, so the families read it in one of two
// ways: by its first letter (GGA, PSIMGPS: "South" is south) or as the
// letter alone (RMC, TLL, WPL: only "S" is).
#pragma once

namespace decoder {

enum class Akse { Bredde, Lengde }; // latitude: N or S; longitude: E or W
enum class Lesning { ForsteBokstav, HeleFeltet };

// True when the field's first letter is one of the axis' two hemispheres.
inline bool er_halvkule(const char* felt, Akse akse) {
    const char c = felt ? felt[0] : '\0';
    return akse == Akse::Bredde ? c == 'N' || c == 'S' : c == 'E' || c == 'W';
}

// The value, negated when the field names the south or the west.
inline double med_halvkule(double verdi, const char* felt, Akse akse, Lesning lesning) {
    const char negativ = akse == Akse::Bredde ? 'S' : 'W';
    const bool sor_vest = felt && felt[0] == negativ &&
                          (lesning == Lesning::ForsteBokstav || felt[1] == '\0');
    return sor_vest ? -verdi : verdi;
}

} // namespace decoder
