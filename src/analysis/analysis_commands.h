// "&Bearbeiten" / "Auswertung ...": opens the "Auswertung" window for the
// chart of "Zeitschreiber", "Extern Messen" (analog) or "Oszilloskop". The
// entry is disabled on the other pages and on the logger's bit lanes.
//
// While the window is open each of the three pages has its cursors and fit
// drawn on its chart (ChartMarkup) and the window shows the page in front.
// What a page shows is looked at again shortly after its chart was drawn
// (a new recording sample, a read-out, a capture, other units), so that the
// results follow the data. Each page keeps its cursors, fit and reference
// curve while the window is closed; the charts then draw exactly what they
// drew without the window. The pages are reached only through their
// MeasurementPage interface.
#pragma once

#include "analysis_session.h"
#include "measurement_file.h"
#include "measurement_page.h"

#include <QList>
#include <QObject>
#include <QPointer>
#include <QTimer>

#include <deque>
#include <functional>
#include <optional>

class ChartWidgetBase;
class QAction;
class QTabWidget;

namespace zentor::analysis {

class AnalysisWindow;
class ChartMarkup;

class AnalysisCommands : public QObject {
    Q_OBJECT

public:
    struct Pages {
        QTabWidget* tabs = nullptr;
        // "Zeitschreiber", "Extern Messen", "Oszilloskop", pages of the tabs
        QList<MeasurementPage*> measurements;
    };

    // `dialogParent` is the parent of the window, the file dialog and the
    // message boxes.
    AnalysisCommands(const Pages& pages, QWidget* dialogParent);
    ~AnalysisCommands() override;

    // Connects the menu entry and keeps its enabled state in step with the
    // page shown and the logger's input.
    void bindAction(QAction* action);

    // Whether the page has something to evaluate now.
    bool offersAnalysis(const QWidget* page) const;

    // The window; nullptr before it is first opened.
    AnalysisWindow* window() const;
    // The evaluation of one of the three pages; nullptr for any other.
    const AnalysisSession* session(const QWidget* page) const;

    // ---- Replaceable file dialog (tests choose files without a dialog) ----
    // Returns the chosen path, empty when cancelled.
    using ReferenceDialog = std::function<QString(QWidget* parent)>;
    // Installs a handler; an empty one restores the real dialog. Returns the
    // previous handler.
    static ReferenceDialog setReferenceDialogHandler(ReferenceDialog handler);

signals:
    // The window's "Protokoll drucken ..." and "Als PDF speichern ...": the
    // lab report of the page shown is wanted.
    void reportPrintRequested();
    void reportPdfRequested();

public slots:
    // "Auswertung ...": opens the window (or brings it to the front).
    void openWindow();
    void updateAction();

private:
    struct Entry {
        MeasurementPage* page = nullptr;
        const AnalysisSource* source = nullptr; // the page
        QString name; // the tab caption
        AnalysisSession session;
        std::optional<Measurement> reference; // as stored
        QPointer<ChartMarkup> markup;         // while the window is open
    };

    Entry* entryOf(const QWidget* page);
    const Entry* entryOf(const QWidget* page) const;
    Entry* current();
    void attach();
    void detach();
    // Takes the pages' data into their sessions and shows the current one.
    void refresh();
    void refreshEntry(Entry& entry);
    void scheduleRefresh();
    // A page's data or display may have changed.
    void dataChanged();
    void showCurrent();
    void cursorsChanged();
    void loadReference();
    void copyResult();

    Pages m_pages;
    QWidget* m_dialogParent;
    QAction* m_action = nullptr;
    std::deque<Entry> m_entries; // one per page, in the order of Pages
    QPointer<AnalysisWindow> m_window;
    QTimer m_refreshTimer;
};

} // namespace zentor::analysis
