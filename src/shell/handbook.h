// The program's data (the example programs and the German handbook) and
// the window that shows the handbook.
//
// Installed, the data lies in share/zentor below the install prefix:
//   share/zentor/examples/*.z
//   share/zentor/handbuch/handbuch.md (its pictures in bilder/ beside it)
// The build tree holds the same layout in <build>/share/zentor, pointing
// into the source tree, so that a program run from there finds it too.
#pragma once

#include <QDialog>
#include <QDir>
#include <QString>

class QTextBrowser;

namespace zentor {

// The data folder of the executable in `applicationDir`: <prefix>/share/zentor
// beside its bin folder; for a program of the build tree, one folder deeper,
// the build's share/zentor. When neither exists, the installed place.
QString dataFolder(const QString& applicationDir);

} // namespace zentor

// Where the handbook of the program in `programFolder` lies (or belongs).
QString handbookPath(const QString& programFolder);

// The text shown when the handbook at `path` is missing.
QString handbookNotOpenedText(const QString& path);

// A window with the handbook: Markdown and its pictures, links to the web
// opened by the desktop. Not modal; Escape or "Schließen" closes it.
class HandbookWindow : public QDialog {
    Q_OBJECT

public:
    HandbookWindow(const QString& path, QWidget* parent = nullptr);

    // Whether the handbook was found and shown.
    bool loaded() const { return m_loaded; }
    QTextBrowser* browser() const { return m_browser; }

private:
    // Pictures wider than the text are shown at the text's width.
    void fitPictures();

    QTextBrowser* m_browser;
    QDir m_folder;
    bool m_loaded = false;
};
