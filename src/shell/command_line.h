// The command line of zentor, read before any window system is touched, so
// that --help and --version work without a display and a wrong option is
// refused before a window opens. Pure: no application object needed.
//
// Qt's own options (-platform NAME, -style NAME, -session ID, ...; see
// qt6options(7)) are skipped here with their values: QApplication takes them
// out of argv itself. "--" ends the options; every later argument is a file.
#pragma once

#include <QString>
#include <QStringList>

namespace zentor {

struct CommandLine {
    enum class Action {
        Run,     // start the window
        Help,    // print usageText() on standard output, exit 0
        Version, // print the version on standard output, exit 0
        Refuse,  // print `error` and usageText() on standard error, exit 2
    };
    Action action = Action::Run;
    // --sim: the built-in simulated board is the port for this run.
    bool simulator = false;
    // The file arguments in order; the first is opened at start.
    QStringList parameters;
    // A first file argument ending in ".zmess", taken out of `parameters`:
    // the measurement opened at start.
    QString measurementFile;
    // Why the arguments were refused, e.g. "unbekannte Option '--x'".
    QString error;
};

// Parses the arguments after the program name. --help and --version act when
// they come before any refused argument, as GNU programs do.
CommandLine parseCommandLine(const QStringList& arguments);

// The text of --help.
QString usageText();

} // namespace zentor
