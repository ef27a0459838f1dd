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

class QLabel;
class QLineEdit;
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

// The reference card: the handbook's section "Kurzübersicht zum Ausdrucken"
// (from its "## " heading to the next one; empty when there is none) and that
// section laid out as a PDF of A4 pages. `pages`, when given, receives their
// number; the section is written to fit on one.
QString referenceCardSection(const QString& handbookMarkdown);
QByteArray referenceCardPdf(const QString& sectionMarkdown, int* pages = nullptr);

// A window with the handbook: Markdown and its pictures, links to the web
// opened by the desktop. Not modal; Escape or "Schließen" closes it.
//
// Headings carry anchors named as Markdown renderers name them ("## 7.
// Speichern und Öffnen" is "#7-speichern-und-öffnen"), so the table of
// contents links. Ctrl+F opens the search (Enter and F3 find the next
// place), Ctrl++ / Ctrl+- / Ctrl+wheel zoom the text (the program's font is
// pixel-sized, which the text field's own zoom ignores), pictures wider than
// the text are shown at its width whenever the window changes size, and
// paragraphs keep some space between them.
class HandbookWindow : public QDialog {
    Q_OBJECT

public:
    HandbookWindow(const QString& path, QWidget* parent = nullptr);

    // Whether the handbook was found and shown.
    bool loaded() const { return m_loaded; }
    QTextBrowser* browser() const { return m_browser; }
    QLineEdit* searchField() const { return m_search; }

    // The anchor name of a heading's text.
    static QString anchorOf(const QString& heading);

    // The text's size in pixels and the zoom steps (Ctrl++ / Ctrl+-).
    int textPixelSize() const;
    void zoomBy(int steps);

    // Finds the next place of the search text after the cursor, from the
    // top again after the last one. False when the text does not occur.
    bool findNext();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void nameHeadings();
    void spaceParagraphs();
    // Pictures wider than the text are shown at the text's width.
    void fitPictures();
    void openSearch();
    // "Kurzübersicht als PDF ...": asks for a file and saves the card there.
    void saveReferenceCard();

    struct Picture {
        int position;
        QSize natural;
    };
    QTextBrowser* m_browser;
    QWidget* m_searchBar;
    QLineEdit* m_search;
    QLabel* m_searchState;
    QDir m_folder;
    QString m_markdown; // the handbook's text as read
    QList<Picture> m_pictures;
    int m_basePixels = 0; // the text's pixel size at zoom 0
    int m_zoom = 0;
    bool m_loaded = false;
};
