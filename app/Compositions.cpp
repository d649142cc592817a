#include "app/Compositions.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

namespace tarnvik {

const QStringList& compositionNames() {
    static const QStringList names = {QStringLiteral("Video"),    QStringLiteral("InfoBox"),
                                      QStringLiteral("Position"), QStringLiteral("DateTime"),
                                      QStringLiteral("Logo"),     QStringLiteral("Compas")};
    return names;
}

namespace {

// Only a program of the build tree may fall back on the source tree: an
// installed copy that did so would show whatever a checkout on the same
// machine holds, and hide that its own layers are missing.
bool runsFromBuildTree(const QString& programDir) {
    const QString build = QFileInfo(QStringLiteral(TARNVIK_BUILD_DIR)).canonicalFilePath();
    const QString dir = QFileInfo(programDir).canonicalFilePath();
    return !build.isEmpty() && (dir == build || dir.startsWith(build + QLatin1Char('/')));
}

QString& chosenFolder() {
    static QString folder;
    return folder;
}
} // namespace

void setCompositionsFolder(const QString& folder) { chosenFolder() = folder; }

QString compositionsFolder() {
    if (!chosenFolder().isEmpty()) return chosenFolder();
    const QString env = qEnvironmentVariable("TARNVIK_COMPOSITIONS");
    if (!env.isEmpty()) return env;
    const QDir bin(QCoreApplication::applicationDirPath());
    const QString installed = bin.filePath(QStringLiteral("../share/tarnvik/compositions"));
    for (const QString& candidate : {bin.filePath(QStringLiteral("compositions")), installed}) {
        if (QFileInfo(candidate + QStringLiteral("/Video.qtz")).isFile()) return QDir::cleanPath(candidate);
    }
    if (runsFromBuildTree(bin.path())) return QStringLiteral(TARNVIK_SOURCE_COMPOSITIONS);
    return QDir::cleanPath(installed);
}

QString compositionsFolderProblem(const QString& folder) {
    const QFileInfo info(folder);
    if (!info.exists()) return QStringLiteral("the folder \"%1\" does not exist").arg(folder);
    if (!info.isDir()) return QStringLiteral("\"%1\" is not a folder").arg(folder);
    const QDir dir(folder);
    QStringList files;
    for (const QString& name : compositionNames()) {
        files << name + QStringLiteral(".qtz");
        if (dir.exists(files.last())) return {};
    }
    return QStringLiteral("the folder \"%1\" holds none of the compositions (%2)").arg(folder, files.join(QStringLiteral(", ")));
}

QString compositionPath(const QString& name) {
    return QDir(compositionsFolder()).filePath(name + QStringLiteral(".qtz"));
}

} // namespace tarnvik
