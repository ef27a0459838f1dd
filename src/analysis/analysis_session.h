// What the "Auswertung" window shows for one page, without the widgets: the
// page's points, the cursors A and B on them, the read-outs at the cursors,
// the statistics, the values of a periodic signal and the chosen fit between
// them, a reference curve, and the text that "Ergebnis kopieren" puts on the
// clipboard. Numbers for people come in the user's locale, times in the
// chart's time unit.
#pragma once

#include "curve_fit.h"
#include "results.h"

#include <QString>

#include <optional>
#include <span>
#include <vector>

namespace zentor::analysis {

class AnalysisSession {
public:
    enum class Cursor { A, B };

    // The points the page shows now. Until they are placed, A stands on the
    // first sample and B on the last; a placed cursor stays at its time (on
    // the nearest sample), and one placed on the last sample stays on the
    // last one, so that it follows a growing recording. Results are worked
    // out again.
    void setSeries(const Series& series);
    // The page shows nothing that can be evaluated (no measurement yet, the
    // logger's bit lanes); `reason` says so. The cursors keep their places for when points come
    // back.
    void setUnavailable(const QString& reason);
    bool available() const { return m_unavailable.isEmpty(); }
    const QString& unavailableReason() const { return m_unavailable; }
    const Series& series() const { return m_series; }
    // The unit the rows give times in (the chart's); seconds at first.
    void setTimeUnit(const TimeUnit& unit) { m_timeUnit = unit; }
    const TimeUnit& timeUnit() const { return m_timeUnit; }

    // The sample index of a cursor; nothing while there are no points.
    std::optional<int> cursor(Cursor which) const;
    std::optional<Point> cursorPoint(Cursor which) const;
    // Puts a cursor on a sample (clamped to the points), on the sample
    // nearest to time t, or `steps` samples further (negative: back).
    void setCursor(Cursor which, int index);
    void setCursorNear(Cursor which, double t);
    void stepCursor(Cursor which, int steps);
    // The cursor that clicks and the arrow keys move.
    Cursor activeCursor() const { return m_active; }
    void setActiveCursor(Cursor which) { m_active = which; }
    // The cursor whose time lies within `tolerance` of t (the nearer one
    // when both do), else nothing.
    std::optional<Cursor> cursorAt(double t, double tolerance) const;

    // The fit worked out between the cursors; nothing for none.
    void setFitKind(std::optional<FitKind> kind);
    std::optional<FitKind> fitKind() const { return m_fitKind; }

    // The points from the left to the right cursor, both included.
    std::span<const Point> range() const;
    // Between the cursors; empty outcome while there are no points.
    const Outcome<Statistics>& statistics() const { return m_statistics; }
    // Nothing while no fit is chosen.
    const std::optional<Outcome<Fit>>& fit() const { return m_fit; }
    // Period, peak-to-peak, mean and RMS value between the cursors; empty
    // outcome while there are no points.
    const Outcome<Periodic>& periodic() const { return m_periodic; }

    // A stored measurement drawn behind the page's trace, and its name.
    void setReference(Series series, const QString& name);
    void clearReference();
    const std::optional<Series>& reference() const { return m_reference; }
    const QString& referenceName() const { return m_referenceName; }

    // Read-outs at the cursors: t and y at A and B, Δt, Δy, |1/Δt| and the
    // slope Δy/Δt (the last two are missing when Δt is 0). The y rows are
    // called U in volts and y for raw values.
    std::vector<ResultRow> cursorRows() const;
    // Rows of statisticsRows / periodicRows / fitRows, empty when there is
    // no result.
    std::vector<ResultRow> statisticsResultRows() const;
    std::vector<ResultRow> periodicResultRows() const;
    std::vector<ResultRow> fitResultRows() const;
    // t₀ of the fit in the time unit, as people read it ("t₀ = 0,5 s").
    QString fitOriginText() const;

    // "Ergebnis kopieren": a heading with the page's name, then the cursor
    // read-outs, the statistics, the periodic values and the fit as lines
    // "label<TAB>value<TAB>unit", a fitted parameter followed by
    // "<TAB>±<TAB>uncertainty<TAB>unit" (errors and warnings as their
    // text), separated by CR LF.
    QString copyText(const QString& pageName) const;

private:
    void update();
    int lastIndex() const { return static_cast<int>(m_series.points.size()) - 1; }

    Series m_series;
    QString m_unavailable;
    // Where the user put a cursor: at a time, or on the last sample (then it
    // follows the end). Unplaced: A on the first and B on the last sample.
    struct Mark {
        bool placed = false;
        bool atEnd = false;
        double t = 0;
    };
    Mark m_markA;
    Mark m_markB;
    Cursor m_active = Cursor::A;
    TimeUnit m_timeUnit;
    std::optional<FitKind> m_fitKind;
    Outcome<Statistics> m_statistics;
    Outcome<Periodic> m_periodic;
    std::optional<Outcome<Fit>> m_fit;
    std::optional<Series> m_reference;
    QString m_referenceName;
};

} // namespace zentor::analysis
