// The two heading outlets every heading decoder goes through.
#pragma once

namespace decoder {

// Stores a true heading (gHeadingBoat normalised, sistehprheading as given)
// and logs it when it changed by more than 0.3 degrees or the last line is
// 3 seconds old. A heading outside the float range is refused.
void kringkastheading(double h);

// Logs a magnetic heading under the same rule; changes no shared value.
void kringkastmagnetisk(double h);

} // namespace decoder
