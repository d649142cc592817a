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

} // namespace

QString compositionsFolder() {
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

QString compositionPath(const QString& name) {
    return QDir(compositionsFolder()).filePath(name + QStringLiteral(".qtz"));
}

} // namespace tarnvik
