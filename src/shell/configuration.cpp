#include "configuration.h"

#include <QStandardPaths>

namespace configuration {

QString directory() {
    // GenericConfigLocation honours XDG_CONFIG_HOME and falls back to
    // ~/.config.
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/zentor");
}

QString iniPath() { return directory() + QStringLiteral("/zentor.ini"); }

QStringList systemIniPaths() {
    // The user's own folder comes first in the list; the rest are the
    // system's.
    QStringList folders = QStandardPaths::standardLocations(QStandardPaths::GenericConfigLocation);
    const QString own = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    QStringList paths;
    for (const QString& folder : folders)
        if (folder != own)
            paths << folder + QStringLiteral("/zentor/zentor.ini");
    return paths;
}

} // namespace configuration
