#include "qt_german.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>

bool installQtGerman(QCoreApplication& app) {
    // Chosen by name, not by the user's locale: the program's own texts are
    // German under every locale, and its dialogs must not mix languages.
    auto* translator = new QTranslator(&app);
    if (!translator->load(QStringLiteral("qtbase_de"),
                          QLibraryInfo::path(QLibraryInfo::TranslationsPath)) ||
        !QCoreApplication::installTranslator(translator)) {
        delete translator;
        return false;
    }
    return true;
}
