// Readers for untrusted sentence text with defined behaviour for every input:
// numbers that saturate or come out as inf/NaN instead of overflowing, and a
// small cursor that reads the few fixed layouts that are not comma fields
// the way formatted input would, but with bounded text copies.
#pragma once

#include <cstddef>
#include <cstdint>

namespace decoder::skann {

// True for a null or empty text.
bool tom(const char* s);
// True when the text begins with a decimal digit.
bool siffer_forst(const char* s);
// The text as a decimal floating-point number, 0 when it holds none.
double tall(const char* s);
// Reads a number at the start of the text (blanks first allowed); false when
// there is none.
bool tall_forst(const char* s, double& v);

// Reads a layout step by step; each step returns false and leaves the cursor
// where it was when its item is not there.
class Leser {
public:
    explicit Leser(const char* s) : p_(s ? s : "") {}
    bool tall(double& v);          // "%lf"
    bool tall(float& v);           // "%f"
    bool heltall(int32_t& v);      // "%d", saturating at the int32 limits
    bool tegn(char& c);            // "%c"
    bool bokstav(char c);          // one literal character
    bool bokstaver(const char* s); // literal characters, all or none
    void blanke();                 // a blank in the layout: any run of white space
    // "%[^,]": one or more characters up to the next comma or the end. Keeps
    // the first n - 1 of them in buf (terminated) and skips the rest.
    bool til_komma(char* buf, size_t n);
    // "%s": one or more characters up to white space, kept like til_komma.
    bool ord(char* buf, size_t n);

private:
    const char* p_;
};

} // namespace decoder::skann
