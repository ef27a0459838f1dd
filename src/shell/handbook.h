// The program's handbook: the README installed with it in the documentation
// folder (share/doc/zentor/README.md below the install prefix).
#pragma once

#include <QString>

// Where the handbook of the program in `programFolder` lies: in the
// documentation folder of the program's install prefix; for a program run
// from the build tree, where there is none, the README of the source tree.
// When neither exists, the installed place, where it belongs.
QString handbookPath(const QString& programFolder);

// The status text when nothing could open the handbook at `path`: says
// where it lies, or where it belongs when it is missing.
QString handbookNotOpenedText(const QString& path);
