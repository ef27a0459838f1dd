// "&Datei" / "Messprotokoll dr&ucken ..." and "Als &PDF speichern ...", and
// the same two buttons of the "Auswertung" window: the lab report of the
// measurement page in front (Zeitschreiber, Extern Messen, Oszilloskop). The title line is asked
// for first, prefilled with "Name, Klasse, <date>"; the report takes the page's measurement as the
// "Auswertung" evaluates it (cursors, fit and reference curve as set there;
// the whole measurement without them). Printing shows Qt's print preview,
// whose button opens the print dialog; the PDF is written through the one
// atomic save, a failure told in an error box.
#pragma once

#include "measurement_page.h"

#include <QList>
#include <QObject>
#include <QString>

#include <functional>
#include <optional>

class QAction;
class QTabWidget;
class QWidget;

namespace zentor::analysis {
class AnalysisCommands;
}

namespace zentor::report {

struct Report;

class ReportCommands : public QObject {
    Q_OBJECT

public:
    struct Pages {
        QTabWidget* tabs = nullptr;
        // "Zeitschreiber", "Extern Messen", "Oszilloskop", pages of the tabs
        QList<MeasurementPage*> measurements;
    };

    // `analysis` gives the cursors and fits set in "Auswertung"; may be null.
    ReportCommands(const Pages& pages, const analysis::AnalysisCommands* analysis,
                   QWidget* dialogParent);

    // Connects the entries; they are enabled while the page in front holds
    // a measurement.
    void bindActions(QAction* print, QAction* savePdf);

    // The report of the page in front under `title`; nothing on other pages
    // or without a measurement.
    std::optional<Report> reportOfCurrentPage(const QString& title) const;

    // ---- Replaceable questions (tests answer without dialogs) ----
    enum class Question { Title, PdfFile };
    // Returns the answer; empty when cancelled. `suggestion` is the
    // prefilled title or the suggested file name.
    using QuestionHandler =
        std::function<QString(QWidget* parent, Question question, const QString& suggestion)>;
    static QuestionHandler setQuestionHandler(QuestionHandler handler);

public slots:
    void printReport();
    void saveReportPdf();
    void updateActions();

private:
    // The page in front when it is a measurement page, else nullptr.
    const MeasurementPage* currentPage() const;
    std::optional<Report> askReport() const;

    Pages m_pages;
    const analysis::AnalysisCommands* m_analysis;
    QWidget* m_dialogParent;
    QAction* m_print = nullptr;
    QAction* m_savePdf = nullptr;
};

} // namespace zentor::report
