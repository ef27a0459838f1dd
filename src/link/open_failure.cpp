#include "open_failure.h"

#include <cerrno>

namespace comphard {

OpenFailure openFailureOf(int errorNumber) {
    switch (errorNumber) {
    case ENOENT:
    case ENOTDIR:
    case ENXIO: // a device node without its device
    case ENODEV:
        return OpenFailure::Missing;
    case EISDIR:
        return OpenFailure::NotSerial;
    case EACCES:
    case EPERM:
        return OpenFailure::NoPermission;
    case EBUSY:
        return OpenFailure::Busy;
    default:
        return OpenFailure::Unusable;
    }
}

std::string openFailureText(OpenFailure failure, const std::string& path) {
    const std::string quoted = "\"" + path + "\"";
    switch (failure) {
    case OpenFailure::None:
        return {};
    case OpenFailure::Missing:
        return "Das Gerät " + quoted + " ist nicht vorhanden.";
    case OpenFailure::NotSerial:
        return quoted + " ist keine serielle Schnittstelle.";
    case OpenFailure::NoPermission:
        return "Keine Berechtigung für " + quoted +
               ": Benutzer in die Gruppe \"dialout\" aufnehmen und neu anmelden.";
    case OpenFailure::Busy:
        return quoted + " wird schon von einem anderen Programm benutzt.";
    case OpenFailure::Unusable:
        break;
    }
    return quoted + " lässt sich nicht als serielle Schnittstelle einrichten.";
}

} // namespace comphard
