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

QString compositionsFolder() {
    const QString env = qEnvironmentVariable("TARNVIK_COMPOSITIONS");
    if (!env.isEmpty()) return env;
    const QDir bin(QCoreApplication::applicationDirPath());
    for (const QString& candidate : {bin.filePath(QStringLiteral("compositions")),
                                     bin.filePath(QStringLiteral("../share/tarnvik/compositions"))}) {
        if (QFileInfo(candidate + QStringLiteral("/Video.qtz")).isFile()) return QDir::cleanPath(candidate);
    }
    return QStringLiteral(TARNVIK_SOURCE_COMPOSITIONS);
}

QString compositionPath(const QString& name) {
    return QDir(compositionsFolder()).filePath(name + QStringLiteral(".qtz"));
}

} // namespace tarnvik
