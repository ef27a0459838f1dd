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

} // namespace configuration
