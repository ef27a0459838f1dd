// The lab report ("Messprotokoll") of a measurement: one A4 page with a title
// line the user types, the chart as a vector drawing (trace, cursors, fit,
// reference), the cursor read-outs, the statistics, the periodic values, the
// fit with its formula, parameters ± uncertainties and R², and the
// measurement's facts; the value table with units in its header follows on
// the next pages. Laid out once with QPainter on a QPagedPaintDevice, so that
// the printer (QPrinter), the PDF (QPdfWriter) and zentor-mess draw the same
// report. Needs a QGuiApplication (fonts).
#pragma once

#include "analysis_session.h"
#include "measurement_file.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QStringList>

#include <optional>
#include <utility>
#include <vector>

class QPagedPaintDevice;

namespace zentor::report {

// One line of results as people read it: "Mittelwert  2,5  V" or
// "Zeitkonstante τ  2,00  ± 0,03  s".
struct ReportRow {
    QString label;
    QString value;
    QString uncertainty; // "± 0,03", empty without one
    QString unit;        // empty for plain numbers
};

struct ReportSection {
    QString heading;
    std::vector<ReportRow> rows;
    QStringList notes; // an error instead of rows, or a warning after them
};

struct Report {
    QString title;   // the line the user typed (name, class, date)
    QString heading; // "Messprotokoll – Zeitschreiber"
    // Seite, Zeitpunkt, Messdauer, Messabstand and the page's settings.
    std::vector<std::pair<QString, QString>> facts;

    // The chart: times in the time unit, values in the series' unit.
    analysis::Series series;
    analysis::TimeUnit timeUnit;
    std::optional<analysis::Point> cursorA, cursorB;
    std::optional<analysis::Fit> fit; // drawn between the cursors
    QString fitName;
    std::optional<analysis::Series> reference;
    QString referenceName;

    std::vector<ReportSection> sections;

    // The value table: the CSV's header and rows ("0,020\t2,510").
    QStringList tableHeader;
    QStringList tableRows;
};

// "Name, Klasse, 08.12.2026": the title line offered to be typed over.
QString defaultTitle(const QDate& today);

// The report of a measurement as `session` evaluates it (its series, cursors,
// fit, reference and time unit), under `title`.
Report makeReport(const Measurement& measurement, const analysis::AnalysisSession& session,
                  const QString& title);

// Draws the report onto `device`, a new page for each further page; the
// device's page layout (A4, margins) is taken as it is. False when the
// painter could not be started on the device.
bool paintReport(QPagedPaintDevice& device, const Report& report);

// The report as PDF bytes: A4 portrait, 15 mm margins, 300 dpi.
QByteArray reportPdf(const Report& report);

// The time unit the measurement's page shows on its chart's x axis: ms for
// the oscilloscope, s, min or h for the logger's duration, s for the recorder.
analysis::TimeUnit timeUnitOf(const Measurement& measurement);

// The session zentor-mess evaluates a file with: all its points, the cursors
// on the samples nearest to `from` and `to` (when given), and the fit.
analysis::AnalysisSession sessionOf(const analysis::Series& series, const analysis::TimeUnit& unit,
                                    std::optional<double> from, std::optional<double> to,
                                    std::optional<analysis::FitKind> fit);

} // namespace zentor::report
