// Where the six overlay compositions are and the order they are drawn in.
#pragma once

#include <QString>
#include <QStringList>

namespace tarnvik {

// Bottom to top; each is also the file NAME.qtz and the panel group's title.
const QStringList& compositionNames();

// The folder of the composition files: $TARNVIK_COMPOSITIONS when set, else
// "compositions" beside the program or in ../share/tarnvik, else, for a
// program in the build tree, the source tree's folder.
QString compositionsFolder();
QString compositionPath(const QString& name);

} // namespace tarnvik
