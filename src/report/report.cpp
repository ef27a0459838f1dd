#include "report.h"

#include "logger.h"
#include "measurement_csv.h"
#include "recorder.h"
#include "results.h"
#include "scope.h"

#include <QBuffer>
#include <QFont>
#include <QFontMetricsF>
#include <QLocale>
#include <QPageLayout>
#include <QPageSize>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QPainterPath>
#include <QPdfWriter>

#include <algorithm>
#include <cmath>

namespace zentor::report {

using analysis::AnalysisSession;
using analysis::Point;
using analysis::ResultRow;
using analysis::Series;

namespace {

// The unit as people read it: none for plain numbers.
QString shownUnit(const QString& unit) {
    return unit == u"1" ? QString() : unit;
}

std::vector<ReportRow> rowsOf(const std::vector<ResultRow>& rows) {
    std::vector<ReportRow> shown;
    for (const ResultRow& row : rows) {
        const analysis::ValueText text = analysis::displayValue(row);
        shown.push_back(
            {row.label, text.value,
             text.uncertainty.isEmpty() ? QString() : QStringLiteral("± ") + text.uncertainty,
             shownUnit(row.unit)});
    }
    return shown;
}

QString number(double value) {
    return analysis::displayNumber(value);
}

// Seite, Zeitpunkt, Messdauer, Messabstand, Messwerte and the page's own settings.
std::vector<std::pair<QString, QString>> factsOf(const Measurement& m, std::size_t values) {
    std::vector<std::pair<QString, QString>> facts;
    facts.emplace_back(QStringLiteral("Seite"), measurementPageName(m));
    facts.emplace_back(QStringLiteral("Zeitpunkt"),
                       m.takenAt.isValid()
                           ? m.takenAt.toLocalTime().toString(QStringLiteral("dd.MM.yyyy HH:mm:ss"))
                           : QStringLiteral("unbekannt"));
    QString duration, interval;
    if (const auto* r = std::get_if<RecorderMeasurement>(&m.data)) {
        const RecorderRow& row = recorderRow(r->durationItem);
        duration = row.itemText.trimmed().toString();
        interval = number(recorderIntervalMs(row)) + QStringLiteral(" ms");
    } else if (const auto* l = std::get_if<LoggerMeasurement>(&m.data)) {
        const LoggerSummary summary = loggerSummary(l->durationItem);
        duration = number(summary.durationSeconds) + QStringLiteral(" s");
        interval = number(summary.intervalSeconds) + QStringLiteral(" s");
    } else {
        const auto& s = std::get<ScopeMeasurement>(m.data);
        duration = number(scopeXmax(s.timeBase)) + QStringLiteral(" ms");
        interval = number(s.timeBase) + QStringLiteral(" ms");
    }
    facts.emplace_back(QStringLiteral("Messdauer"), duration);
    facts.emplace_back(QStringLiteral("Messabstand"), interval);
    facts.emplace_back(QStringLiteral("Messwerte"), QString::number(values));
    for (const auto& [key, value] : measurementSettings(m)) {
        if (key == u"Seite" || key == u"Zeitpunkt" || key == u"Messdauer")
            continue;
        facts.emplace_back(key == u"AnzeigeInVolt" ? QStringLiteral("Anzeige in Volt") : key,
                           value);
    }
    return facts;
}

// ---- Drawing --------------------------------------------------------------------------

// Colours: the trace nearly black, the fit vermilion (contrast 3.9:1 on
// white and 4:1 against the trace), the cursors blue, the reference grey.
const QColor kTrace(0x1a, 0x1a, 0x40);
const QColor kFit(0xd5, 0x5e, 0x00);
const QColor kCursor(0x00, 0x72, 0xb2);
const QColor kReference(0x80, 0x80, 0x80);

class Layout {
public:
    explicit Layout(QPagedPaintDevice& device)
        : m_perMm(device.logicalDpiX() / 25.4), m_width(device.width()), m_height(device.height()) {
    }
    double mm(double millimetres) const { return millimetres * m_perMm; }
    double width() const { return m_width; }
    double height() const { return m_height; }

private:
    double m_perMm;
    double m_width, m_height;
};

QFont fontOf(double points, bool bold = false) {
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setStyleHint(QFont::SansSerif);
    font.setPointSizeF(points);
    font.setBold(bold);
    return font;
}

// About five steps of 1, 2 or 5 × 10ⁿ over [low, high].
double niceStep(double low, double high) {
    const double raw = (high - low) / 5;
    const double power = std::pow(10.0, std::floor(std::log10(raw)));
    for (double factor : {1.0, 2.0, 5.0}) {
        if (factor * power >= raw)
            return factor * power;
    }
    return 10 * power;
}

struct Range {
    double low = 0, high = 1;
};

Range paddedRange(double low, double high) {
    if (!(high > low)) {
        const double pad = std::max(1.0, std::fabs(low) * 0.1);
        return {low - pad, high + pad};
    }
    const double pad = (high - low) * 0.05;
    return {low - pad, high + pad};
}

void drawChart(QPainter& p, const Layout& l, const QRectF& area, const Report& r) {
    const double perUnit = r.timeUnit.perSecond;
    double tLow = HUGE_VAL, tHigh = -HUGE_VAL, yLow = HUGE_VAL, yHigh = -HUGE_VAL;
    auto take = [&](const Series& s) {
        for (const Point& pt : s.points) {
            tLow = std::min(tLow, pt.t * perUnit);
            tHigh = std::max(tHigh, pt.t * perUnit);
            yLow = std::min(yLow, pt.y);
            yHigh = std::max(yHigh, pt.y);
        }
    };
    take(r.series);
    if (r.reference)
        take(*r.reference);
    if (!std::isfinite(tLow)) {
        tLow = 0;
        tHigh = 1;
        yLow = 0;
        yHigh = 1;
    }
    const Range x = tHigh > tLow ? Range{tLow, tHigh} : paddedRange(tLow, tHigh);
    const Range y = paddedRange(yLow, yHigh);

    // Room for the y axis title, then the tick labels, then the plot: the
    // title never overlaps the labels.
    const QFont tickFont = fontOf(7.5);
    const QFontMetricsF tickMetrics(tickFont, p.device());
    const double yStep = niceStep(y.low, y.high);
    double labelWidth = 0;
    for (double v = std::ceil(y.low / yStep) * yStep; v <= y.high + yStep * 1e-9; v += yStep)
        labelWidth = std::max(labelWidth, tickMetrics.horizontalAdvance(number(v)));
    const double titleRoom = tickMetrics.height() * 1.4;
    const QRectF plot(area.left() + titleRoom + labelWidth + l.mm(2), area.top() + l.mm(2),
                      area.width() - titleRoom - labelWidth - l.mm(4),
                      area.height() - l.mm(2) - tickMetrics.height() * 2.6);
    auto toX = [&](double t) {
        return plot.left() + (t - x.low) / (x.high - x.low) * plot.width();
    };
    auto toY = [&](double v) {
        return plot.bottom() - (v - y.low) / (y.high - y.low) * plot.height();
    };

    // Grid, ticks and labels.
    p.setFont(tickFont);
    const QPen gridPen(QColor(0xd0, 0xd0, 0xd0), l.mm(0.15));
    const QPen textPen(Qt::black);
    for (double v = std::ceil(y.low / yStep) * yStep; v <= y.high + yStep * 1e-9; v += yStep) {
        p.setPen(gridPen);
        p.drawLine(QPointF(plot.left(), toY(v)), QPointF(plot.right(), toY(v)));
        p.setPen(textPen);
        p.drawText(QRectF(plot.left() - labelWidth - l.mm(1.5), toY(v) - tickMetrics.height() / 2,
                          labelWidth, tickMetrics.height()),
                   Qt::AlignRight | Qt::AlignVCenter, number(std::fabs(v) < yStep * 1e-9 ? 0 : v));
    }
    const double xStep = niceStep(x.low, x.high);
    for (double t = std::ceil(x.low / xStep) * xStep; t <= x.high + xStep * 1e-9; t += xStep) {
        p.setPen(gridPen);
        p.drawLine(QPointF(toX(t), plot.top()), QPointF(toX(t), plot.bottom()));
        p.setPen(textPen);
        const QString text = number(std::fabs(t) < xStep * 1e-9 ? 0 : t);
        const double w = tickMetrics.horizontalAdvance(text);
        p.drawText(QRectF(toX(t) - w, plot.bottom() + l.mm(1), 2 * w, tickMetrics.height()),
                   Qt::AlignHCenter | Qt::AlignTop, text);
    }
    p.setPen(QPen(Qt::black, l.mm(0.25)));
    p.drawRect(plot);
    // Axis titles: x below the labels, y turned at the far left.
    p.drawText(QRectF(plot.left(), plot.bottom() + l.mm(1) + tickMetrics.height() * 1.2,
                      plot.width(), tickMetrics.height() * 1.3),
               Qt::AlignHCenter | Qt::AlignTop, QStringLiteral("t in ") + r.timeUnit.name);
    const QString yTitle =
        r.series.volts ? QStringLiteral("U in V") : QStringLiteral("Wert (Rohwert)");
    p.save();
    p.translate(area.left() + tickMetrics.height() * 0.2, plot.center().y());
    p.rotate(-90);
    p.drawText(QRectF(-plot.height() / 2, 0, plot.height(), tickMetrics.height() * 1.2),
               Qt::AlignHCenter | Qt::AlignTop, yTitle);
    p.restore();

    p.save();
    p.setClipRect(plot);
    auto pathOf = [&](const Series& s) {
        QPainterPath path;
        for (std::size_t i = 0; i < s.points.size(); ++i) {
            const QPointF at(toX(s.points[i].t * perUnit), toY(s.points[i].y));
            if (i == 0)
                path.moveTo(at);
            else
                path.lineTo(at);
        }
        return path;
    };
    p.setBrush(Qt::NoBrush);
    if (r.reference) {
        QPen pen(kReference, l.mm(0.3));
        pen.setStyle(Qt::DotLine);
        p.setPen(pen);
        p.drawPath(pathOf(*r.reference));
    }
    p.setPen(QPen(kTrace, l.mm(0.3)));
    p.drawPath(pathOf(r.series));
    if (r.fit && r.cursorA && r.cursorB) {
        const double from = std::min(r.cursorA->t, r.cursorB->t);
        const double to = std::max(r.cursorA->t, r.cursorB->t);
        QPainterPath path;
        constexpr int kSteps = 300;
        for (int i = 0; i <= kSteps; ++i) {
            const double t = from + (to - from) * i / kSteps;
            const QPointF at(toX(t * perUnit), toY(r.fit->valueAt(t)));
            if (i == 0)
                path.moveTo(at);
            else
                path.lineTo(at);
        }
        QPen pen(kFit, l.mm(0.6));
        pen.setStyle(Qt::DashLine);
        p.setPen(pen);
        p.drawPath(path);
    }
    p.restore();
    // Cursors with their letters above the plot.
    QPen cursorPen(kCursor, l.mm(0.25));
    cursorPen.setStyle(Qt::DashDotLine);
    for (const auto& [cursor, name] :
         {std::pair{r.cursorA, QStringLiteral("A")}, std::pair{r.cursorB, QStringLiteral("B")}}) {
        if (!cursor)
            continue;
        const double at = toX(cursor->t * perUnit);
        p.setPen(cursorPen);
        p.drawLine(QPointF(at, plot.top()), QPointF(at, plot.bottom()));
        p.setPen(QPen(kCursor));
        p.drawText(QRectF(at - l.mm(3), plot.top() - l.mm(2) - tickMetrics.height(), l.mm(6),
                          tickMetrics.height() + l.mm(1.5)),
                   Qt::AlignHCenter | Qt::AlignBottom, name);
    }
}

// The legend below the chart, outside the data.
double drawLegend(QPainter& p, const Layout& l, double top, const Report& r) {
    const QFont font = fontOf(7.5);
    p.setFont(font);
    const QFontMetricsF metrics(font, p.device());
    double left = l.mm(2);
    auto entry = [&](const QPen& pen, const QString& text) {
        p.setPen(pen);
        const double middle = top + metrics.height() / 2;
        p.drawLine(QPointF(left, middle), QPointF(left + l.mm(8), middle));
        p.setPen(Qt::black);
        p.drawText(QPointF(left + l.mm(10), top + metrics.ascent()), text);
        left += l.mm(14) + metrics.horizontalAdvance(text);
    };
    entry(QPen(kTrace, l.mm(0.3)), QStringLiteral("Messwerte"));
    if (r.fit) {
        QPen pen(kFit, l.mm(0.6));
        pen.setStyle(Qt::DashLine);
        entry(pen, r.fitName);
    }
    if (r.reference) {
        QPen pen(kReference, l.mm(0.3));
        pen.setStyle(Qt::DotLine);
        entry(pen, QStringLiteral("Vergleichskurve: ") + r.referenceName);
    }
    if (r.cursorA) {
        QPen pen(kCursor, l.mm(0.25));
        pen.setStyle(Qt::DashDotLine);
        entry(pen, QStringLiteral("Cursor A und B"));
    }
    return top + metrics.height() * 1.5;
}

// A section as a small table: label, value, uncertainty, unit. Returns the
// height taken.
double drawSection(QPainter& p, const Layout& l, const QRectF& column, double top,
                   const ReportSection& s) {
    const QFont bold = fontOf(8.5, true);
    const QFont plain = fontOf(8.5);
    const QFontMetricsF metrics(plain, p.device());
    const double line = metrics.height() * 1.15;
    double y = top;
    p.setPen(Qt::black);
    p.setFont(bold);
    const QRectF headingBox(column.left(), y, column.width(), line * 3);
    const QRectF used =
        p.boundingRect(headingBox, Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap, s.heading);
    p.drawText(headingBox, Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap, s.heading);
    y += used.height() + l.mm(0.5);
    p.setFont(plain);
    // The value and uncertainty columns grow to their widest text (a spread
    // such as 0,00070711); the labels give way.
    double widestValue = 0;
    double widestUncertainty = 0;
    for (const ReportRow& row : s.rows) {
        widestValue = std::max(widestValue, metrics.horizontalAdvance(row.value));
        widestUncertainty = std::max(widestUncertainty, metrics.horizontalAdvance(row.uncertainty));
    }
    const double valueWidth = std::max(column.width() * 0.2, widestValue + l.mm(0.5));
    const double uncertaintyWidth = std::max(column.width() * 0.22, widestUncertainty);
    const double labelWidth = std::clamp(column.width() - valueWidth - uncertaintyWidth - l.mm(8),
                                         0.0, column.width() * 0.42);
    for (const ReportRow& row : s.rows) {
        p.drawText(QRectF(column.left(), y, labelWidth, line), Qt::AlignLeft | Qt::AlignVCenter,
                   row.label);
        const double x = column.left() + labelWidth;
        p.drawText(QRectF(x, y, valueWidth, line), Qt::AlignRight | Qt::AlignVCenter, row.value);
        p.drawText(QRectF(x + valueWidth + l.mm(1), y, uncertaintyWidth, line),
                   Qt::AlignLeft | Qt::AlignVCenter, row.uncertainty);
        p.drawText(QRectF(x + valueWidth + uncertaintyWidth + l.mm(1), y,
                          column.right() - (x + valueWidth + uncertaintyWidth + l.mm(1)), line),
                   Qt::AlignLeft | Qt::AlignVCenter, row.unit);
        y += line;
    }
    for (const QString& note : s.notes) {
        const QRectF box(column.left(), y, column.width(), line * 4);
        const QRectF noteUsed =
            p.boundingRect(box, Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap, note);
        p.drawText(box, Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap, note);
        y += noteUsed.height();
    }
    return y - top + l.mm(3);
}

// The value table over as many pages as it needs, in columns of blocks.
void drawTable(QPagedPaintDevice& device, QPainter& p, const Layout& l, const Report& r) {
    if (r.tableRows.isEmpty())
        return;
    const QFont plain = fontOf(8);
    const QFont bold = fontOf(8, true);
    const QFontMetricsF metrics(plain, p.device());
    const double line = metrics.height() * 1.1;
    const int columnCount = r.tableHeader.size();
    double cellWidth = l.mm(16);
    for (const QString& text : r.tableHeader)
        cellWidth =
            std::max(cellWidth, QFontMetricsF(bold, p.device()).horizontalAdvance(text) + l.mm(3));
    const double blockWidth = cellWidth * columnCount + l.mm(6);
    const int blocks = std::max(1, static_cast<int>(l.width() / blockWidth));
    const double headingHeight = line * 2.5;
    const int linesPerBlock =
        std::max(1, static_cast<int>((l.height() - headingHeight - line) / line));
    const int perPage = blocks * linesPerBlock;
    const int pages = static_cast<int>((r.tableRows.size() + perPage - 1) / perPage);
    for (int page = 0; page < pages; ++page) {
        device.newPage();
        p.setFont(fontOf(10, true));
        p.setPen(Qt::black);
        p.drawText(
            QRectF(0, 0, l.width(), line * 1.6), Qt::AlignLeft | Qt::AlignTop,
            QStringLiteral("Messwerte (%1 von %2) – %3").arg(page + 1).arg(pages).arg(r.title));
        for (int block = 0; block < blocks; ++block) {
            const int first = page * perPage + block * linesPerBlock;
            if (first >= r.tableRows.size())
                break;
            const double left = block * blockWidth;
            double y = headingHeight;
            p.setFont(bold);
            for (int c = 0; c < columnCount; ++c)
                p.drawText(QRectF(left + c * cellWidth, y, cellWidth - l.mm(2), line),
                           Qt::AlignRight | Qt::AlignVCenter, r.tableHeader[c]);
            p.drawLine(QPointF(left, y + line), QPointF(left + cellWidth * columnCount, y + line));
            y += line * 1.1;
            p.setFont(plain);
            const int last = std::min<int>(first + linesPerBlock, r.tableRows.size());
            for (int i = first; i < last; ++i) {
                const QStringList cells = r.tableRows[i].split(u'\t');
                for (int c = 0; c < columnCount && c < cells.size(); ++c)
                    p.drawText(QRectF(left + c * cellWidth, y, cellWidth - l.mm(2), line),
                               Qt::AlignRight | Qt::AlignVCenter, cells[c]);
                y += line;
            }
        }
    }
}

} // namespace

QString defaultTitle(const QDate& today) {
    return QStringLiteral("Name, Klasse, ") + today.toString(QStringLiteral("dd.MM.yyyy"));
}

Report makeReport(const Measurement& measurement, const AnalysisSession& session,
                  const QString& title) {
    Report r;
    r.title = title;
    r.heading = QStringLiteral("Messprotokoll – ") + measurementPageName(measurement);
    r.series = session.series();
    r.timeUnit = session.timeUnit();
    r.facts = factsOf(measurement, r.series.points.size());
    r.cursorA = session.cursorPoint(AnalysisSession::Cursor::A);
    r.cursorB = session.cursorPoint(AnalysisSession::Cursor::B);
    if (session.reference()) {
        r.reference = session.reference();
        r.referenceName = session.referenceName();
        r.facts.emplace_back(QStringLiteral("Vergleichskurve"), r.referenceName);
    }

    if (!session.available()) {
        r.sections.push_back({QStringLiteral("Auswertung"), {}, {session.unavailableReason()}});
    } else {
        r.sections.push_back({QStringLiteral("Cursor A und B"), rowsOf(session.cursorRows()), {}});
        ReportSection statistics{QStringLiteral("Statistik zwischen A und B"),
                                 rowsOf(session.statisticsResultRows()),
                                 {}};
        if (!session.statistics())
            statistics.notes << session.statistics().error;
        r.sections.push_back(statistics);
        ReportSection periodic{QStringLiteral("Periodisches Signal zwischen A und B"),
                               rowsOf(session.periodicResultRows()),
                               {}};
        if (!session.periodic())
            periodic.notes << session.periodic().error;
        r.sections.push_back(periodic);
        if (session.fitKind()) {
            const analysis::FitDescription& kind = analysis::describe(*session.fitKind());
            const auto& fit = session.fit();
            ReportSection section{QStringLiteral("Ausgleichskurve (%1): %2")
                                      .arg(kind.name.toString(), kind.formula.toString()),
                                  rowsOf(session.fitResultRows()),
                                  {}};
            r.fitName = QStringLiteral("Ausgleichskurve (%1)").arg(kind.name.toString());
            if (fit && *fit) {
                section.heading += QStringLiteral(", ") + session.fitOriginText();
                r.fit = *fit->value;
                if (fit->value->doubtful())
                    section.notes << analysis::doubtfulFitWarning();
            } else if (fit) {
                section.notes << fit->error;
            }
            r.sections.push_back(section);
        }
    }
    r.tableHeader = measurementCsvHeader(measurement);
    r.tableRows = measurementCsvRows(measurement);
    return r;
}

bool paintReport(QPagedPaintDevice& device, const Report& r) {
    QPainter p;
    if (!p.begin(&device))
        return false;
    p.setRenderHint(QPainter::Antialiasing);
    const Layout l(device);
    double y = 0;

    // Title line and heading.
    p.setPen(Qt::black);
    const QFont titleFont = fontOf(14, true);
    p.setFont(titleFont);
    const QFontMetricsF titleMetrics(titleFont, p.device());
    p.drawText(QRectF(0, y, l.width(), titleMetrics.height() * 1.2), Qt::AlignLeft | Qt::AlignTop,
               r.title);
    y += titleMetrics.height() * 1.3;
    const QFont headingFont = fontOf(11);
    p.setFont(headingFont);
    const QFontMetricsF headingMetrics(headingFont, p.device());
    p.drawText(QRectF(0, y, l.width(), headingMetrics.height() * 1.2), Qt::AlignLeft | Qt::AlignTop,
               r.heading);
    y += headingMetrics.height() * 1.4;

    // The facts, three to a line.
    const QFont factFont = fontOf(8.5);
    p.setFont(factFont);
    const QFontMetricsF factMetrics(factFont, p.device());
    const double factWidth = l.width() / 3;
    for (std::size_t i = 0; i < r.facts.size(); ++i) {
        const double x = static_cast<double>(i % 3) * factWidth;
        p.drawText(QRectF(x, y, factWidth - l.mm(2), factMetrics.height()),
                   Qt::AlignLeft | Qt::AlignTop,
                   r.facts[i].first + QStringLiteral(": ") + r.facts[i].second);
        if (i % 3 == 2 || i + 1 == r.facts.size())
            y += factMetrics.height() * 1.15;
    }
    y += l.mm(2);

    // The chart and its legend.
    const QRectF chartArea(0, y, l.width(), l.mm(90));
    drawChart(p, l, chartArea, r);
    y = drawLegend(p, l, chartArea.bottom() + l.mm(1), r) + l.mm(2);

    // The results in two columns: read-outs and statistics on the left,
    // periodic values and the fit on the right.
    const double gap = l.mm(6);
    const QRectF left(0, y, (l.width() - gap) / 2, l.height() - y);
    const QRectF right(left.right() + gap, y, left.width(), left.height());
    double leftY = y, rightY = y;
    for (std::size_t i = 0; i < r.sections.size(); ++i) {
        const bool onLeft = r.sections.size() == 1 || i < 2;
        double& at = onLeft ? leftY : rightY;
        at += drawSection(p, l, onLeft ? left : right, at, r.sections[i]);
    }

    drawTable(device, p, l, r);
    return p.end();
}

QByteArray reportPdf(const Report& report) {
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    {
        QPdfWriter writer(&buffer);
        writer.setPageSize(QPageSize(QPageSize::A4));
        writer.setPageOrientation(QPageLayout::Portrait);
        writer.setPageMargins(QMarginsF(15, 15, 15, 15), QPageLayout::Millimeter);
        writer.setResolution(300);
        writer.setTitle(report.heading);
        writer.setCreator(QStringLiteral("Zentor"));
        if (!paintReport(writer, report))
            return {};
    }
    return buffer.data();
}

analysis::TimeUnit timeUnitOf(const Measurement& measurement) {
    if (std::holds_alternative<ScopeMeasurement>(measurement.data))
        return {QStringLiteral("ms"), 1000};
    if (const auto* l = std::get_if<LoggerMeasurement>(&measurement.data)) {
        const QStringView unit = loggerSummary(l->durationItem).unit;
        if (unit == u"Minuten")
            return {QStringLiteral("min"), 1.0 / 60};
        if (unit == u"Stunden")
            return {QStringLiteral("h"), 1.0 / 3600};
    }
    return {};
}

AnalysisSession sessionOf(const Series& series, const analysis::TimeUnit& unit,
                          std::optional<double> from, std::optional<double> to,
                          std::optional<analysis::FitKind> fit) {
    AnalysisSession session;
    session.setTimeUnit(unit);
    session.setSeries(series);
    if (from)
        session.setCursorNear(AnalysisSession::Cursor::A, *from);
    if (to)
        session.setCursorNear(AnalysisSession::Cursor::B, *to);
    session.setFitKind(fit);
    return session;
}

} // namespace zentor::report
