#include "example_programs.h"
#include "handbook.h"

#include <QDir>
#include <QFileInfo>

namespace zentor {

QString exampleFolder(const QString& applicationDir) {
    return dataFolder(applicationDir) + QStringLiteral("/examples");
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
