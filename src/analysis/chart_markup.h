// The marks of the "Auswertung" window on a page's chart: the cursors A and
// B as vertical lines (2 px) in their own colours, the fitted curve between
// them (3 px, dashed, so that the trace shows through, in a colour with 3:1
// against the background and the trace), a reference curve behind the
// page's trace in a colour that stands out from the chart's background, and
// a small legend naming trace, fit and reference, in a corner where it
// covers no data. While attached, a click on
// the chart puts the active cursor there (or takes the cursor line under the
// pointer), dragging moves it, and the arrow keys move it to the next
// sample (with Shift ten samples); A and B choose the active cursor.
//
// The marks live in the chart's layers, never in the page's drawing:
// after detach() the chart is exactly as it was. The markup is a child of
// the chart and goes with it.
#pragma once

#include "analysis_session.h"

#include <QColor>
#include <QObject>
#include <QPolygonF>
#include <QRect>

#include <functional>
#include <vector>

class ChartWidgetBase;
class QPainter;

namespace zentor::analysis {

inline const QColor kCursorAColor{255, 72, 72};
inline const QColor kCursorBColor{255, 96, 255};
inline const QColor kFitColor{255, 160, 0};

// The contrast ratio of two colours by their relative luminance (1 to 21).
double contrastRatio(const QColor& a, const QColor& b);
// The fitted curve's colour on a chart: orange where it has a contrast of at
// least 3:1 against both the background and the trace, else the first of a
// few others that does (or the one that comes nearest).
QColor fitColorOn(const QColor& background, const QColor& trace);
// Where a legend of `size` goes in `plot`: the first corner (bottom right,
// top right, bottom left, top left; the top ones `topReserve` pixels down,
// below the cursors' names) that no segment of `lines` passes through, or
// the one that the fewest pass through.
QRect legendBox(const QRect& plot, const QSize& size, const std::vector<QPolygonF>& lines,
                int topReserve);
// The reference curve's colour on a chart background: light or dark green,
// whichever stands out more.
QColor referenceColorOn(const QColor& background);

// Samples an arrow key with Shift moves a cursor.
inline constexpr int kCursorLongStep = 10;

class ChartMarkup : public QObject {
    Q_OBJECT

public:
    // `xPerSecond` gives the chart's x units per second of measurement time
    // (1 for a chart in seconds, 1000 in milliseconds). The session must
    // outlive the markup.
    ChartMarkup(ChartWidgetBase& chart, AnalysisSession& session,
                std::function<double()> xPerSecond);
    // Takes the marks off the chart and gives it back its focus policy and
    // pointer shape; the markup does nothing afterwards.
    void detach();

    // Shows the session's cursors and fit again.
    void refresh();
    // Draws the session's reference curve again (the chart's picture is
    // rebuilt).
    void referenceChanged();

signals:
    // The user moved a cursor or chose the active one on the chart.
    void cursorsChanged();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // The pixel column of a time on the chart, and the time at a column.
    int pixelAt(double t) const;
    double timeAt(int column) const;
    void drawFront(QPainter& p) const;
    void drawBack(QPainter& p) const;
    void drawLegend(QPainter& p, int topReserve) const;
    // Trace, reference and fit as drawn, in pixels.
    std::vector<QPolygonF> drawnLines() const;
    bool pressAt(QPoint pos);
    void dragTo(QPoint pos);
    bool keyPressed(int key, Qt::KeyboardModifiers modifiers);
    std::optional<AnalysisSession::Cursor> cursorLineAt(int column) const;

    ChartWidgetBase& m_chart;
    AnalysisSession& m_session;
    std::function<double()> m_xPerSecond;
    Qt::FocusPolicy m_focusPolicy;
    bool m_attached = true;
    bool m_dragging = false;
};

} // namespace zentor::analysis
