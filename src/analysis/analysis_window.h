// The "Auswertung" window: shows what an AnalysisSession holds (the read-outs
// at the cursors, the statistics and the values of a periodic signal
// between them, the chosen fit with the uncertainties of its parameters,
// the reference curve) and passes the user's choices on as signals. It computes
// nothing itself; AnalysisCommands connects it to the pages.
#pragma once

#include "analysis_session.h"

#include <QHash>
#include <QWidget>

#include <optional>

class QComboBox;
class QGridLayout;
class QGroupBox;
class QLabel;
class QPushButton;
class QRadioButton;

namespace zentor::analysis {

class AnalysisWindow : public QWidget {
    Q_OBJECT

public:
    explicit AnalysisWindow(QWidget* parent = nullptr);

    // Shows the session of the page `pageName`; nullptr when the page shown
    // has nothing to evaluate.
    void display(const AnalysisSession* session, const QString& pageName);
    // A short note under the buttons ("Ergebnis kopiert."), until the next display.
    void setNote(const QString& text);
    // The colour the reference curve has on the page's chart.
    void setReferenceColor(const QColor& color);

    // The value shown for a result row: cursor rows by their name ("t_A",
    // "dt", "f", ...), statistics as "stat_<name>", periodic values as
    // "per_<name>", fit parameters as "fit_<name>" and their uncertainties
    // as "fit_u_<name>" ("± 0,004 s"); nullptr when the row is not shown.
    QLabel* valueLabel(const QString& name) const;

    QRadioButton* cursorA;
    QRadioButton* cursorB;
    QComboBox* fitChoice; // "keine", then the three fits in FitKind order
    QLabel* fitFormula;
    QLabel* fitError;
    QLabel* fitWarning; // "Die Kurve passt schlecht zu den Messwerten."
    QLabel* periodicError;
    QLabel* statisticsError;
    QLabel* referenceName;
    QLabel* message; // why there is nothing to evaluate
    QPushButton* loadReference;
    QPushButton* removeReference;
    QPushButton* copyResult;
    QPushButton* printReport;   // "Protokoll &drucken ...": the lab report of the page
    QPushButton* saveReportPdf; // "Als &PDF speichern ..."
    QPushButton* closeButton;

signals:
    void activeCursorChosen(zentor::analysis::AnalysisSession::Cursor which);
    void fitChosen(std::optional<zentor::analysis::FitKind> kind);
    // Arrow keys in the window: move the active cursor by `steps` samples.
    void stepRequested(int steps);
    // Home and End: the active cursor to the first or last sample.
    void endRequested(bool last);
    void referenceRequested();
    void referenceRemoveRequested();
    void copyRequested();
    void printRequested();
    void pdfRequested();
    // The window was closed.
    void closed();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    // Label, value and unit of result rows in a grid (and "± uncertainty
    // unit" where a row has one): the first `split` rows in the left
    // column, the others in the right one.
    struct RowSet {
        QWidget* owner = nullptr;
        QGridLayout* grid = nullptr;
        QString prefix;
        QString group; // for the accessible names: "Statistik"
        int split = 0;
        QStringList names;
    };
    // Returns each row as a screen reader is told it ("t_A 1,20 s").
    QStringList showRows(RowSet& set, const std::vector<ResultRow>& rows);
    void clearRows(RowSet& set);

    QLabel* m_hint;
    QLabel* m_note;
    QLabel* m_referenceSwatch;
    QWidget* m_results; // the four groups
    QWidget* m_notice;  // the message, in their place
    QGroupBox* m_cursorBox;
    QGroupBox* m_statisticsBox;
    QGroupBox* m_periodicBox;
    QGroupBox* m_fitBox;
    QGroupBox* m_referenceBox;
    RowSet m_cursorRows;
    RowSet m_statisticsRows;
    RowSet m_periodicRows;
    RowSet m_fitRows;
    QHash<QString, QLabel*> m_values;
    // The cursor and fit rows of the last display, as told; a display
    // caused by a key of this window tells the rows that changed.
    QStringList m_spokenRows;
    bool m_byKey = false;
};

} // namespace zentor::analysis
