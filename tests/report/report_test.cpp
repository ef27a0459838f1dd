// The lab report read back with a real PDF reader: zentor-mess writes the
// report of a recording with a fit, pdfinfo finds A4 pages, pdftotext finds
// every number the evaluation shows on the first page and the value table
// with its units after it; the main window's "Als PDF speichern ..." writes
// the report of the page in front.
#include "analysis_commands.h"
#include "analysis_session.h"
#include "analysis_window.h"
#include "atomic_file.h"
#include "comphard.h"
#include "dialogs.h"
#include "link_wait.h"
#include "locale_scope.h"
#include "measurement_file.h"
#include "program_file.h"
#include "recorder_page.h"
#include "report.h"
#include "report_commands.h"
#include "tform1.h"

#include <QAction>
#include <QComboBox>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QTabWidget>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cmath>
#include <memory>

using namespace zentor;
using namespace zentor::analysis;

namespace {

struct Ran {
    int status = -1;
    QString out;
    QString err;
};

Ran run(const QString& program, const QStringList& args) {
    QProcess process;
    process.start(program, args);
    Ran result;
    if (!process.waitForFinished(60000)) {
        result.err = program + QStringLiteral(": ") + process.errorString();
        return result;
    }
    result.status = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    result.out = QString::fromUtf8(process.readAllStandardOutput());
    result.err = QString::fromUtf8(process.readAllStandardError());
    return result;
}

// 20 minutes of a capacitor discharging (τ = 300 s), 1500 samples.
Measurement discharge() {
    RecorderMeasurement m;
    m.durationItem = 11; // " 20 Minuten": a sample every 800 ms
    for (int i = 0; i < 1500; ++i) {
        const double volts = 4.2 * std::exp(-i * 0.8 / 300) + 0.4;
        m.samples.push_back({static_cast<quint8>(std::lround(volts * 51)), i * 800});
    }
    return {QDateTime(QDate(2026, 12, 8), QTime(8, 31, 7)), m};
}

// The text of the PDF's pages first..last, as laid out.
QString pdfText(const QString& pdf, int first, int last) {
    return run(QStringLiteral("pdftotext"),
               {QStringLiteral("-layout"), QStringLiteral("-f"), QString::number(first),
                QStringLiteral("-l"), QString::number(last), pdf, QStringLiteral("-")})
        .out;
}

} // namespace

TEST(Report, ThePdfHoldsEveryNumberOfTheEvaluationOnAnA4Page) {
    const test::LocaleScope german(test::german());
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    const Measurement m = discharge();
    const QString file = folder.filePath(QStringLiteral("entladung.zmess"));
    ASSERT_TRUE(writeFileAtomically(file, measurementFileBytes(m)));
    const QString pdf = folder.filePath(QStringLiteral("entladung.pdf"));
    const Ran made =
        run(QStringLiteral(ZENTOR_MESS),
            {QStringLiteral("protokoll"), file, QStringLiteral("-o"), pdf, QStringLiteral("--fit"),
             QStringLiteral("exp"), QStringLiteral("--von"), QStringLiteral("60"),
             QStringLiteral("--titel"), QStringLiteral("Anna Beispiel, 9b")});
    ASSERT_EQ(made.status, 0) << made.err.toStdString();

    const Ran info = run(QStringLiteral("pdfinfo"), {pdf});
    ASSERT_EQ(info.status, 0) << info.err.toStdString();
    EXPECT_TRUE(info.out.contains(QStringLiteral("(A4)"))) << info.out.toStdString();
    // One page of results, then the 1500 values.
    EXPECT_TRUE(info.out.contains(QRegularExpression(QStringLiteral("Pages:\\s+[3-9]\\n"))))
        << info.out.toStdString();

    // The same evaluation in this process: every number it shows is on page 1.
    const Outcome<Series> series = seriesOf(m);
    ASSERT_TRUE(series);
    const AnalysisSession session = report::sessionOf(*series.value, report::timeUnitOf(m), 60.0,
                                                      std::nullopt, FitKind::Exponential);
    const report::Report expected = report::makeReport(m, session, QStringLiteral("x"));
    const QString page = pdfText(pdf, 1, 1);
    EXPECT_TRUE(page.contains(QStringLiteral("Anna Beispiel, 9b")));
    EXPECT_TRUE(page.contains(QStringLiteral("Messdauer: 20 Minuten")));
    EXPECT_TRUE(page.contains(QStringLiteral("Zeitpunkt: 08.12.2026 08:31:07")));
    int numbers = 0;
    for (const report::ReportSection& section : expected.sections) {
        for (const report::ReportRow& row : section.rows) {
            SCOPED_TRACE(row.label.toStdString());
            EXPECT_TRUE(page.contains(row.value)) << row.value.toStdString();
            if (!row.uncertainty.isEmpty()) {
                EXPECT_TRUE(page.contains(row.uncertainty)) << row.uncertainty.toStdString();
            }
            ++numbers;
        }
    }
    EXPECT_GE(numbers, 8 + 7 + 5); // read-outs, statistics, fit
    EXPECT_TRUE(page.contains(QStringLiteral("Zeitkonstante τ")));

    const QString table = pdfText(pdf, 2, 2);
    EXPECT_TRUE(table.contains(QStringLiteral("t in s"))) << table.left(400).toStdString();
    EXPECT_TRUE(table.contains(QStringLiteral("U in V")));
    EXPECT_TRUE(table.contains(QStringLiteral("0,800")));
}

TEST(Report, TheWindowSavesThePdfOfThePageInFront) {
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    qputenv("XDG_CONFIG_HOME", folder.filePath(QStringLiteral("config")).toLocal8Bit());
    const QString pdf = folder.filePath(QStringLiteral("protokoll"));
    const auto previousBoxes =
        dialogs::setHandler([](QWidget*, const dialogs::Request&) { return QMessageBox::Ok; });
    QStringList asked;
    const auto previous = report::ReportCommands::setQuestionHandler(
        [&](QWidget*, report::ReportCommands::Question question, const QString& suggestion) {
            asked << suggestion;
            return question == report::ReportCommands::Question::Title
                       ? QStringLiteral("Ben Beispiel, 9b")
                       : pdf;
        });
    {
        TForm1 window;
        window.show();
        const Measurement recorded = discharge();
        ASSERT_TRUE(window.TabSheet6->showMeasurement({QDateTime(), recorded.data}));
        window.PageControl1->setCurrentIndex(window.PageControl1->count() - 1); // "Programm"
        EXPECT_FALSE(window.MessprotokollPdf1->isEnabled());
        window.PageControl1->setCurrentWidget(window.TabSheet6);
        ASSERT_TRUE(window.MessprotokollPdf1->isEnabled());
        ASSERT_TRUE(window.MessprotokollDrucken1->isEnabled());
        window.MessprotokollPdf1->trigger();

        // From "Auswertung", with the fit chosen there.
        window.Auswertung1->trigger();
        auto* commands = window.findChild<analysis::AnalysisCommands*>();
        ASSERT_NE(commands, nullptr);
        ASSERT_NE(commands->window(), nullptr);
        emit commands->window()->fitChoice->activated(static_cast<int>(FitKind::Exponential) + 1);
        commands->window()->saveReportPdf->click();
    }
    testing_support::onLink(comphard::ClosePort);
    report::ReportCommands::setQuestionHandler(previous);
    dialogs::setHandler(previousBoxes);
    ASSERT_EQ(asked.size(), 4);
    EXPECT_TRUE(asked[0].startsWith(QStringLiteral("Name, Klasse, ")));
    EXPECT_EQ(asked[1], QStringLiteral("Zeitschreiber.pdf"));
    // The name without suffix got ".pdf"; the second report replaced the first.
    const QString page = pdfText(pdf + QStringLiteral(".pdf"), 1, 1);
    EXPECT_TRUE(page.contains(QStringLiteral("Ben Beispiel, 9b")));
    EXPECT_TRUE(page.contains(QStringLiteral("Messprotokoll – Zeitschreiber")));
    EXPECT_TRUE(page.contains(QStringLiteral("Zeitkonstante τ"))) << page.toStdString();
}
