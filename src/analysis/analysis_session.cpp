#include "analysis_session.h"

#include <QStringList>

#include <algorithm>
#include <cmath>

namespace zentor::analysis {

namespace {

const QString kLineBreak = QStringLiteral("\r\n");

// The unit as people read it: none for plain numbers.
QString shownUnit(const QString& unit) {
    return unit == u"1" ? QString() : unit;
}

void appendRows(QStringList& lines, const std::vector<ResultRow>& rows) {
    for (const ResultRow& row : rows) {
        const ValueText text = displayValue(row);
        QString line = row.label + u'\t' + text.value + u'\t' + shownUnit(row.unit);
        if (!text.uncertainty.isEmpty())
            line += QStringLiteral("\t±\t") + text.uncertainty + u'\t' + shownUnit(row.unit);
        lines << line;
    }
}

} // namespace

void AnalysisSession::setSeries(const Series& series) {
    m_series = series;
    m_unavailable.clear();
    update();
}

void AnalysisSession::setUnavailable(const QString& reason) {
    m_series = {};
    m_unavailable = reason;
    update();
}

std::optional<int> AnalysisSession::cursor(Cursor which) const {
    if (m_series.points.empty() || !available())
        return std::nullopt;
    const Mark& mark = which == Cursor::A ? m_markA : m_markB;
    if (!mark.placed)
        return which == Cursor::A ? 0 : lastIndex();
    if (mark.atEnd)
        return lastIndex();
    return nearestPoint(m_series, mark.t);
}

std::optional<Point> AnalysisSession::cursorPoint(Cursor which) const {
    const std::optional<int> index = cursor(which);
    if (!index)
        return std::nullopt;
    return m_series.points[static_cast<std::size_t>(*index)];
}

void AnalysisSession::setCursor(Cursor which, int index) {
    if (m_series.points.empty() || !available())
        return;
    index = std::clamp(index, 0, lastIndex());
    Mark& mark = which == Cursor::A ? m_markA : m_markB;
    mark.placed = true;
    mark.t = m_series.points[static_cast<std::size_t>(index)].t;
    // Equal times: only the very last sample follows the end.
    mark.atEnd = index == lastIndex();
    update();
}

void AnalysisSession::setCursorNear(Cursor which, double t) {
    if (const std::optional<int> index = nearestPoint(m_series, t))
        setCursor(which, *index);
}

void AnalysisSession::stepCursor(Cursor which, int steps) {
    if (const std::optional<int> index = cursor(which))
        setCursor(which, *index + steps);
}

std::optional<AnalysisSession::Cursor> AnalysisSession::cursorAt(double t, double tolerance) const {
    std::optional<Cursor> found;
    double nearest = tolerance;
    for (Cursor which : {Cursor::A, Cursor::B}) {
        if (const std::optional<Point> p = cursorPoint(which)) {
            const double distance = std::fabs(p->t - t);
            if (distance <= nearest && (!found || distance < nearest)) {
                found = which;
                nearest = distance;
            }
        }
    }
    return found;
}

void AnalysisSession::setFitKind(std::optional<FitKind> kind) {
    m_fitKind = kind;
    update();
}

std::span<const Point> AnalysisSession::range() const {
    const std::optional<int> a = cursor(Cursor::A);
    const std::optional<int> b = cursor(Cursor::B);
    if (!a || !b)
        return {};
    const auto first = static_cast<std::size_t>(std::min(*a, *b));
    const auto last = static_cast<std::size_t>(std::max(*a, *b));
    return std::span<const Point>(m_series.points).subspan(first, last - first + 1);
}

void AnalysisSession::update() {
    const std::span<const Point> points = range();
    m_statistics = analysis::statistics(points);
    m_periodic = analysis::periodic(points);
    m_fit.reset();
    if (m_fitKind)
        m_fit = fitCurve(*m_fitKind, points, points.empty() ? 0 : points.front().t);
}

void AnalysisSession::setReference(Series series, const QString& name) {
    m_reference = std::move(series);
    m_referenceName = name;
}

void AnalysisSession::clearReference() {
    m_reference.reset();
    m_referenceName.clear();
}

std::vector<ResultRow> AnalysisSession::cursorRows() const {
    const std::optional<Point> a = cursorPoint(Cursor::A);
    const std::optional<Point> b = cursorPoint(Cursor::B);
    if (!a || !b)
        return {};
    const QString y = yUnit(m_series.volts);
    const QString s = QStringLiteral("s");
    const QString symbol = m_series.volts ? QStringLiteral("U") : QStringLiteral("y");
    const double dt = b->t - a->t;
    const double dy = b->y - a->y;
    const double none = std::nan("");
    return inTimeUnit(
        {
            {QStringLiteral("t_A"), QStringLiteral("t(A)"), a->t, s},
            {QStringLiteral("y_A"), symbol + QStringLiteral("(A)"), a->y, y},
            {QStringLiteral("t_B"), QStringLiteral("t(B)"), b->t, s},
            {QStringLiteral("y_B"), symbol + QStringLiteral("(B)"), b->y, y},
            {QStringLiteral("dt"), QStringLiteral("Δt"), dt, s},
            {QStringLiteral("dy"), u'Δ' + symbol, dy, y},
            {QStringLiteral("f"), QStringLiteral("1/Δt"), dt != 0 ? 1 / std::fabs(dt) : none,
             QStringLiteral("Hz")},
            {QStringLiteral("slope"), u'Δ' + symbol + QStringLiteral("/Δt"),
             dt != 0 ? dy / dt : none, unitOf(RowUnit::Slope, m_series.volts)},
        },
        m_timeUnit);
}

std::vector<ResultRow> AnalysisSession::statisticsResultRows() const {
    if (!m_statistics)
        return {};
    return inTimeUnit(statisticsRows(*m_statistics.value, m_series.volts), m_timeUnit);
}

std::vector<ResultRow> AnalysisSession::periodicResultRows() const {
    if (!m_periodic)
        return {};
    return inTimeUnit(periodicRows(*m_periodic.value, m_series.volts), m_timeUnit);
}

std::vector<ResultRow> AnalysisSession::fitResultRows() const {
    if (!m_fit || !*m_fit)
        return {};
    return inTimeUnit(fitRows(*m_fit->value, m_series.volts), m_timeUnit);
}

QString AnalysisSession::fitOriginText() const {
    if (!m_fit || !*m_fit)
        return {};
    return QStringLiteral("t₀ = %1 %2")
        .arg(displayNumber(m_fit->value->origin * m_timeUnit.perSecond), m_timeUnit.name);
}

QString AnalysisSession::copyText(const QString& pageName) const {
    QStringList lines;
    lines << QStringLiteral("Auswertung: %1").arg(pageName);
    if (!available()) {
        lines << m_unavailable;
        return lines.join(kLineBreak);
    }
    lines << QStringLiteral("Cursor A und B");
    appendRows(lines, cursorRows());
    lines << QStringLiteral("Statistik zwischen A und B");
    if (m_statistics)
        appendRows(lines, statisticsResultRows());
    else
        lines << m_statistics.error;
    lines << QStringLiteral("Periodisches Signal zwischen A und B");
    if (m_periodic)
        appendRows(lines, periodicResultRows());
    else
        lines << m_periodic.error;
    if (m_fit && m_fitKind) {
        const FitDescription& fit = describe(*m_fitKind);
        QString heading = fit.name.toString() + QStringLiteral(": ") + fit.formula.toString();
        if (*m_fit)
            heading += QStringLiteral(", ") + fitOriginText();
        lines << heading;
        if (*m_fit) {
            appendRows(lines, fitResultRows());
            if (m_fit->value->doubtful())
                lines << doubtfulFitWarning();
        } else {
            lines << m_fit->error;
        }
    }
    if (m_reference)
        lines << QStringLiteral("Vergleichskurve: %1").arg(m_referenceName);
    return lines.join(kLineBreak);
}

} // namespace zentor::analysis
