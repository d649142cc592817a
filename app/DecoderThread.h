// Runs the decoder on a background thread of its own, once per process
// (its state is process-wide), as the command-line "tolkar" would run with
// the given options.
#pragma once

#include <QStringList>

namespace tarnvik {

// Starts the thread the first time; later calls return false and change
// nothing. A fatal decoder error (a port that cannot be bound, say) asks the
// application to quit with the decoder's status, so that settings are saved
// and recordings finished, instead of ending the process on the spot.
bool startDecoderThread(const QStringList& arguments);

} // namespace tarnvik
