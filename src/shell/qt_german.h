// Qt's own dialogs (message box buttons, file dialogs) speak German whatever
// the user's locale, like the rest of the program.
#pragma once

class QCoreApplication;

// Loads Qt's German catalogue (qtbase_de, from Qt's translation folder) and
// installs it on `app`, which owns it. Returns false when the catalogue is
// missing or unreadable: Qt's dialogs then keep their English texts.
bool installQtGerman(QCoreApplication& app);
