#include "handbook.h"

#include <QDir>
#include <QFileInfo>

QString handbookPath(const QString& programFolder) {
    // ZENTOR_HANDBOOK_FROM_PROGRAM: the handbook relative to the installed
    // program's folder; ZENTOR_SOURCE_HANDBOOK: the source tree's copy.
    const QString installed = QDir::cleanPath(
        QDir(programFolder).absoluteFilePath(QStringLiteral(ZENTOR_HANDBOOK_FROM_PROGRAM)));
    if (QFileInfo::exists(installed))
        return installed;
    const QString source = QStringLiteral(ZENTOR_SOURCE_HANDBOOK);
    return QFileInfo::exists(source) ? source : installed;
}

QString handbookNotOpenedText(const QString& path) {
    if (!QFileInfo::exists(path))
        return QStringLiteral("Das Handbuch fehlt; es gehört nach %1").arg(path);
    return QStringLiteral("Kein Programm öffnet das Handbuch; es liegt unter %1").arg(path);
}
