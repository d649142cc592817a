// The compression a movie recording uses, as the user chooses it in the
// compression dialog; the last choice is kept in the user defaults and
// offered again.
#pragma once

#include "export/CompressionOptions.h"

#include <QString>

#include <cstdint>
#include <functional>

class QWidget;

namespace tarnvik {

class CompressionDialog;
class UserDefaults;

// Runs the dialog; 0 when the user accepted, 1 when cancelled, another
// value for a failure. Tests give their own instead of a modal run.
using CompressionDialogRunner = std::function<int(CompressionDialog&)>;

// The options chosen, or null when cancelled (silently) or failed (logged).
// The codec type and frame rate are filled only on success. A non-empty
// autosave name reads the last settings from defaults and stores the chosen
// ones there at once.
CompressionOptionsPtr userCompressionOptions(std::uint32_t* codecType, double* frameRate,
                                             const QString& autosaveName, UserDefaults* defaults,
                                             QWidget* parent = nullptr, const CompressionDialogRunner& run = {});

} // namespace tarnvik
