// The program's command line, read before the window system is touched, so
// that --help, --version and wrong values answer without a display.
#pragma once

#include "app/AppController.h"

#include <QString>
#include <QStringList>

#include <optional>

namespace tarnvik {

struct CommandLine {
    AppOptions options;
    QString compositions;          // --compositions; empty when not given
    bool qtPlatformGiven = false;  // -platform or -display among Qt's own options
    // Set when the program ends at once: print output (standard output for
    // status 0, standard error otherwise) and return the status.
    std::optional<int> exitStatus;
    QString output;
};

// "0.1": the project's version.
QString tarnvikVersion();

// arguments as main() gets them, the program's name first. Qt's own options
// (-platform, -display, -style, ...) are left for QApplication.
CommandLine readCommandLine(const QStringList& arguments);

} // namespace tarnvik
