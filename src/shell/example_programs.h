// The example programs for a first lesson: program files installed in the
// data folder (share/zentor/examples), offered under "&Datei" /
// "Be&ispiel öffnen".
#pragma once

#include <QList>
#include <QString>

namespace zentor {

struct ExampleProgram {
    QString caption; // the file name without ".z", first letter upper case
    QString path;
};

// The folder of the example programs for an executable in `applicationDir`:
// "examples" in its data folder (see handbook.h).
QString exampleFolder(const QString& applicationDir);

// The program files ("*.z") of `folder`, sorted by name; empty when the
// folder holds none or does not exist.
QList<ExampleProgram> examplePrograms(const QString& folder);

} // namespace zentor
