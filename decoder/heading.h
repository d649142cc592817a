// The two heading outlets every heading decoder goes through.
#pragma once

namespace decoder {

class Tolk;

// Stores a true heading (gHeadingBoat normalised, sistehprheading as given)
// and logs it when it changed by more than 0.3 degrees or the last line is
// 3 seconds old. A heading outside the float range is refused.
void kringkastheading(Tolk& t, double h);

// Logs a magnetic heading under the same rule; changes no shared value.
void kringkastmagnetisk(Tolk& t, double h);

} // namespace decoder
