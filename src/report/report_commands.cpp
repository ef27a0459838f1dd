#include "report_commands.h"

#include "analysis_commands.h"
#include "analysis_session.h"
#include "atomic_file.h"
#include "dialogs.h"
#include "report.h"

#include <QAction>
#include <QDate>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QInputDialog>
#include <QPageLayout>
#include <QPageSize>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QTabWidget>

namespace zentor::report {

namespace {

const QString kPdfFilter = QStringLiteral("PDF-Dateien (*.pdf)");

QString askWithDialog(QWidget* parent, ReportCommands::Question question,
                      const QString& suggestion) {
    if (question == ReportCommands::Question::Title) {
        bool ok = false;
        const QString title =
            QInputDialog::getText(parent, QStringLiteral("Messprotokoll"),
                                  QStringLiteral("Titelzeile (Name, Klasse, Datum):"),
                                  QLineEdit::Normal, suggestion, &ok);
        return ok ? (title.isEmpty() ? QStringLiteral(" ") : title) : QString();
    }
    return QFileDialog::getSaveFileName(parent, QStringLiteral("Messprotokoll als PDF speichern"),
                                        suggestion, kPdfFilter);
}

ReportCommands::QuestionHandler& questionHandler() {
    static ReportCommands::QuestionHandler handler = askWithDialog;
    return handler;
}

} // namespace

ReportCommands::ReportCommands(const Pages& pages, const analysis::AnalysisCommands* analysis,
                               QWidget* dialogParent)
    : QObject(dialogParent), m_pages(pages), m_analysis(analysis), m_dialogParent(dialogParent) {
    if (analysis != nullptr) {
        connect(analysis, &analysis::AnalysisCommands::reportPrintRequested, this,
                &ReportCommands::printReport);
        connect(analysis, &analysis::AnalysisCommands::reportPdfRequested, this,
                &ReportCommands::saveReportPdf);
    }
}

ReportCommands::QuestionHandler ReportCommands::setQuestionHandler(QuestionHandler handler) {
    QuestionHandler previous = questionHandler();
    questionHandler() = handler ? std::move(handler) : QuestionHandler(askWithDialog);
    return previous;
}

void ReportCommands::bindActions(QAction* print, QAction* savePdf) {
    m_print = print;
    m_savePdf = savePdf;
    connect(print, &QAction::triggered, this, &ReportCommands::printReport);
    connect(savePdf, &QAction::triggered, this, &ReportCommands::saveReportPdf);
    connect(m_pages.tabs, &QTabWidget::currentChanged, this, &ReportCommands::updateActions);
    for (const MeasurementPage* page : std::as_const(m_pages.measurements))
        page->watchAnalysisData(this, [this] { updateActions(); });
    updateActions();
}

const MeasurementPage* ReportCommands::currentPage() const {
    auto* page = qobject_cast<MeasurementPage*>(m_pages.tabs->currentWidget());
    return m_pages.measurements.contains(page) ? page : nullptr;
}

void ReportCommands::updateActions() {
    const MeasurementPage* page = currentPage();
    const bool holds = page != nullptr && page->holdsMeasurement();
    if (m_print)
        m_print->setEnabled(holds);
    if (m_savePdf)
        m_savePdf->setEnabled(holds);
}

std::optional<Report> ReportCommands::reportOfCurrentPage(const QString& title) const {
    const MeasurementPage* page = currentPage();
    if (page == nullptr)
        return std::nullopt;
    const std::optional<Measurement> measurement = page->analysisMeasurement();
    if (!measurement)
        return std::nullopt;
    // The page's evaluation as "Auswertung" keeps it (cursors, fit,
    // reference), brought up to the data the page shows now.
    analysis::AnalysisSession session;
    if (m_analysis != nullptr) {
        if (const analysis::AnalysisSession* kept = m_analysis->session(page))
            session = *kept;
    }
    const AnalysisTimeScale scale = page->analysisTimeScale();
    session.setTimeUnit({scale.unit, scale.unitPerSecond});
    const analysis::Outcome<analysis::Series> series = analysis::seriesOf(*measurement);
    if (series)
        session.setSeries(*series.value);
    else
        session.setUnavailable(series.error);
    return makeReport(*measurement, session, title);
}

std::optional<Report> ReportCommands::askReport() const {
    if (currentPage() == nullptr)
        return std::nullopt;
    const QString title =
        questionHandler()(m_dialogParent, Question::Title, defaultTitle(QDate::currentDate()));
    if (title.isEmpty())
        return std::nullopt;
    return reportOfCurrentPage(title.trimmed());
}

void ReportCommands::printReport() {
    const std::optional<Report> report = askReport();
    if (!report)
        return;
    QPrinter printer(QPrinter::HighResolution);
    printer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait,
                                      QMarginsF(15, 15, 15, 15), QPageLayout::Millimeter));
    printer.setDocName(report->heading);
    QPrintPreviewDialog preview(&printer, m_dialogParent);
    preview.setWindowTitle(QStringLiteral("Messprotokoll drucken"));
    connect(&preview, &QPrintPreviewDialog::paintRequested, &preview,
            [&report](QPrinter* target) { paintReport(*target, *report); });
    preview.exec();
}

void ReportCommands::saveReportPdf() {
    const std::optional<Report> report = askReport();
    if (!report)
        return;
    const QString suggested =
        report->heading.section(QStringLiteral(" – "), 1) + QStringLiteral(".pdf");
    QString path = questionHandler()(m_dialogParent, Question::PdfFile, suggested);
    if (path.isEmpty())
        return;
    if (QFileInfo(path).suffix().isEmpty())
        path += QStringLiteral(".pdf");
    const QByteArray pdf = reportPdf(*report);
    const SaveResult saved =
        pdf.isEmpty() ? SaveResult{QStringLiteral("Das Protokoll kann nicht gezeichnet werden.")}
                      : writeFileAtomically(path, pdf);
    if (!saved)
        dialogs::error(
            m_dialogParent,
            saved.explained(QStringLiteral("Die Datei \"%1\" kann nicht gespeichert werden.")
                                .arg(QDir::toNativeSeparators(path))));
}

} // namespace zentor::report
