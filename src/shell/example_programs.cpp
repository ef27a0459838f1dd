#include "example_programs.h"

#include <QDir>
#include <QFileInfo>

namespace zentor {

QString exampleFolder(const QString& applicationDir) {
    // Both paths come from the build: the installed folder relative to the
    // installed executable, and the source tree's folder.
    const QString installed =
        QDir::cleanPath(applicationDir + u'/' + QStringLiteral(ZENTOR_EXAMPLES_FROM_BINDIR));
    if (QFileInfo(installed).isDir())
        return installed;
    return QStringLiteral(ZENTOR_SOURCE_EXAMPLES);
}

QList<ExampleProgram> examplePrograms(const QString& folder) {
    QList<ExampleProgram> examples;
    const QFileInfoList files =
        QDir(folder).entryInfoList({QStringLiteral("*.z")}, QDir::Files, QDir::Name);
    for (const QFileInfo& file : files) {
        QString caption = file.completeBaseName();
        if (!caption.isEmpty())
            caption[0] = caption[0].toUpper();
        examples.append({caption, file.filePath()});
    }
    return examples;
}

} // namespace zentor
