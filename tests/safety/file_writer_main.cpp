// Writes the files of the kill test over and over, alternating between their
// two versions, through the program's own writers, until it is killed.
//
//   safety_file_writer --autosave --program <path> --ini <path>
//
// Any of the three may be left out. The autosave file goes where the
// program's autosave goes (XDG_CONFIG_HOME/zentor). Prints "ready" on
// standard output once the contents are built, right before the first write.
#include "profile.h"
#include "program_file.h"
#include "safety_contents.h"

#include <QByteArray>
#include <QString>

#include <array>
#include <cstdio>
#include <cstring>

int main(int argc, char* argv[]) {
    bool autosave = false;
    QString programPath;
    QString iniPath;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--autosave") == 0)
            autosave = true;
        else if (std::strcmp(argv[i], "--program") == 0 && i + 1 < argc)
            programPath = QString::fromLocal8Bit(argv[++i]);
        else if (std::strcmp(argv[i], "--ini") == 0 && i + 1 < argc)
            iniPath = QString::fromLocal8Bit(argv[++i]);
        else {
            std::fprintf(stderr, "usage: %s [--autosave] [--program PATH] [--ini PATH]\n", argv[0]);
            return 2;
        }
    }

    // Built once, so that the loop spends its time in the writers.
    const std::array<QByteArray, 2> listings{zentor::programFileBytes(safety::listingVersion(0)),
                                             zentor::programFileBytes(safety::listingVersion(1))};
    const std::array<QString, 2> values{safety::iniValueVersion(0), safety::iniValueVersion(1)};
    const QString autosavePath = zentor::autosavePath();
    ProfileFile ini(iniPath);

    std::printf("ready\n");
    std::fflush(stdout);
    for (unsigned round = 0;; ++round) {
        const unsigned version = (round + 1) % 2; // the files start at version 0
        if (autosave && !zentor::writeFileAtomically(autosavePath, listings[version]))
            return 1;
        if (!programPath.isEmpty() && !zentor::writeFileAtomically(programPath, listings[version]))
            return 1;
        if (!iniPath.isEmpty() &&
            !ini.writeString(safety::kIniSection, safety::kIniKey, values[version]))
            return 1;
    }
}
