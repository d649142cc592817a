// Where the six overlay compositions are and the order they are drawn in.
#pragma once

#include <QString>
#include <QStringList>

namespace tarnvik {

// Bottom to top; each is also the file NAME.qtz and the panel group's title.
const QStringList& compositionNames();

// The folder of the composition files: the one chosen with
// setCompositionsFolder (--compositions), else $TARNVIK_COMPOSITIONS when
// set, else "compositions" beside the program or in ../share/tarnvik, else,
// for a program in the build tree, the source tree's folder.
QString compositionsFolder();
QString compositionPath(const QString& name);
void setCompositionsFolder(const QString& folder);

// Why a folder cannot serve as the compositions folder (it does not exist,
// is not a folder, or holds none of the compositions); empty when it can.
// A folder that lacks only some is usable: each missing one is reported
// when it is loaded.
QString compositionsFolderProblem(const QString& folder);

} // namespace tarnvik
