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
    for (const QString& candidate : {bin.filePath(QStringLiteral("compositions")),
                                     bin.filePath(QStringLiteral("../share/tarnvik/compositions"))}) {
        if (QFileInfo(candidate + QStringLiteral("/Video.qtz")).isFile()) return QDir::cleanPath(candidate);
    }
    return QStringLiteral(TARNVIK_SOURCE_COMPOSITIONS);
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
