#include "chart_markup.h"

#include "chart_widget.h"

#include <QFontMetrics>
#include <QKeyEvent>
#include <QLineF>
#include <QMouseEvent>
#include <QPainter>
#include <QPolygonF>

#include <algorithm>
#include <cmath>

namespace zentor::analysis {

namespace {

// How near (in pixels) a press must come to a cursor line to take it.
constexpr int kGrabPixels = 4;
// Columns between the points of a fitted curve.
constexpr int kCurveStep = 2;

constexpr int kCursorWidth = 2;
const QColor kReferenceLight{150, 255, 150};
const QColor kReferenceDark{0, 70, 0};

QRect plotRect(const chart::ChartScale& s) {
    return QRect(s.left, s.top, s.width + 1, s.height + 1);
}

// Dashed with wide gaps, so that the trace under the curve shows through;
// wider than the trace and in a colour that stands out from both.
QPen fitPen(const QColor& background, const QColor& trace) {
    QPen pen(fitColorOn(background, trace), 3);
    pen.setDashPattern({3, 2});
    return pen;
}

// Whether the segment from a to b passes through the box.
bool crosses(const QRectF& box, const QPointF& a, const QPointF& b) {
    if (box.contains(a) || box.contains(b))
        return true;
    const QLineF segment(a, b);
    const QLineF edges[] = {{box.topLeft(), box.topRight()},
                            {box.topRight(), box.bottomRight()},
                            {box.bottomRight(), box.bottomLeft()},
                            {box.bottomLeft(), box.topLeft()}};
    for (const QLineF& edge : edges) {
        if (segment.intersects(edge, nullptr) == QLineF::BoundedIntersection)
            return true;
    }
    return false;
}

double luminance(const QColor& color) {
    const auto linear = [](double c) {
        return c <= 0.03928 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * linear(color.redF()) + 0.7152 * linear(color.greenF()) +
           0.0722 * linear(color.blueF());
}

} // namespace

QColor fitColorOn(const QColor& background, const QColor& trace) {
    // Orange first (the colour people know from the window), then others
    // that stand out from the usual dark and light charts.
    static const QColor candidates[] = {
        kFitColor,          QColor(0, 0, 0),      QColor(255, 255, 255), QColor(0, 0, 128),
        QColor(213, 94, 0), QColor(255, 96, 255), QColor(0, 114, 178),   QColor(128, 0, 0),
    };
    QColor best = candidates[0];
    double bestContrast = 0;
    for (const QColor& candidate : candidates) {
        const double contrast =
            std::min(contrastRatio(candidate, background), contrastRatio(candidate, trace));
        if (contrast >= 3)
            return candidate;
        if (contrast > bestContrast) {
            best = candidate;
            bestContrast = contrast;
        }
    }
    return best;
}

QRect legendBox(const QRect& plot, const QSize& size, const std::vector<QPolygonF>& lines,
                int topReserve) {
    constexpr int kInset = 3;
    const int left = plot.left() + kInset;
    const int right = plot.left() + plot.width() - size.width() - kInset;
    const int top = plot.top() + topReserve + kInset;
    const int bottom = plot.top() + plot.height() - size.height() - kInset;
    const QRect corners[] = {QRect(QPoint(right, bottom), size), QRect(QPoint(right, top), size),
                             QRect(QPoint(left, bottom), size), QRect(QPoint(left, top), size)};
    QRect best = corners[0];
    int fewest = -1;
    for (const QRect& corner : corners) {
        const QRectF box = QRectF(corner).adjusted(-1, -1, 1, 1);
        int covered = 0;
        for (const QPolygonF& line : lines) {
            for (qsizetype i = 0; i < line.size(); ++i) {
                if (crosses(box, line[i], i + 1 < line.size() ? line[i + 1] : line[i]))
                    ++covered;
            }
        }
        if (covered == 0)
            return corner;
        if (fewest < 0 || covered < fewest) {
            best = corner;
            fewest = covered;
        }
    }
    return best;
}

double contrastRatio(const QColor& a, const QColor& b) {
    const double la = luminance(a), lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

QColor referenceColorOn(const QColor& background) {
    return contrastRatio(kReferenceLight, background) >= contrastRatio(kReferenceDark, background)
               ? kReferenceLight
               : kReferenceDark;
}

ChartMarkup::ChartMarkup(ChartWidgetBase& chart, AnalysisSession& session,
                         std::function<double()> xPerSecond)
    : QObject(&chart), m_chart(chart), m_session(session), m_xPerSecond(std::move(xPerSecond)),
      m_focusPolicy(chart.focusPolicy()) {
    // Clicks give the chart the keyboard, so that the arrow keys move the
    // cursor instead of the page's controls.
    m_chart.setFocusPolicy(Qt::ClickFocus);
    m_chart.setCursor(Qt::CrossCursor);
    m_chart.installEventFilter(this);
    m_chart.setFrontLayer([this](QPainter& p) { drawFront(p); });
    m_chart.setBackLayer([this](QPainter& p) { drawBack(p); });
}

void ChartMarkup::detach() {
    if (!m_attached)
        return;
    m_attached = false;
    m_chart.removeEventFilter(this);
    m_chart.setFrontLayer({});
    m_chart.setBackLayer({});
    m_chart.unsetCursor();
    m_chart.setFocusPolicy(m_focusPolicy);
}

void ChartMarkup::refresh() {
    if (m_attached)
        m_chart.update();
}

void ChartMarkup::referenceChanged() {
    if (m_attached)
        m_chart.Invalidate();
}

int ChartMarkup::pixelAt(double t) const {
    return m_chart.ToPixelX(t * m_xPerSecond());
}

double ChartMarkup::timeAt(int column) const {
    const chart::ChartScale& s = m_chart.scale();
    const double share = s.width > 0 ? static_cast<double>(column - s.left) / s.width : 0;
    return (s.xmin + share * (s.xmax - s.xmin)) / m_xPerSecond();
}

std::optional<AnalysisSession::Cursor> ChartMarkup::cursorLineAt(int column) const {
    const double pixel = m_chart.scale().width > 0 ? (m_chart.scale().xmax - m_chart.scale().xmin) /
                                                         m_chart.scale().width / m_xPerSecond()
                                                   : 0;
    return m_session.cursorAt(timeAt(column), kGrabPixels * pixel);
}

bool ChartMarkup::eventFilter(QObject* watched, QEvent* event) {
    if (watched != &m_chart)
        return false;
    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick: {
        auto* mouse = static_cast<QMouseEvent*>(event);
        return mouse->button() == Qt::LeftButton && pressAt(mouse->position().toPoint());
    }
    case QEvent::MouseMove: {
        auto* mouse = static_cast<QMouseEvent*>(event);
        if (m_dragging && (mouse->buttons() & Qt::LeftButton))
            dragTo(mouse->position().toPoint());
        else
            m_chart.setCursor(cursorLineAt(mouse->position().toPoint().x()) ? Qt::SizeHorCursor
                                                                            : Qt::CrossCursor);
        return false; // the hover read-out follows the pointer as before
    }
    case QEvent::MouseButtonRelease:
        if (static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton && m_dragging) {
            m_dragging = false;
            return true;
        }
        return false;
    case QEvent::KeyPress: {
        auto* key = static_cast<QKeyEvent*>(event);
        return keyPressed(key->key(), key->modifiers());
    }
    default:
        return false;
    }
}

bool ChartMarkup::pressAt(QPoint pos) {
    // A cursor on the first or last sample stands on the edge of the plot:
    // its line can be taken from either side, so the grab margin counts too.
    const QRect area = plotRect(m_chart.scale()).adjusted(-kGrabPixels, 0, kGrabPixels, 0);
    if (!area.contains(pos) || !m_session.cursor(m_session.activeCursor()))
        return false;
    if (const auto line = cursorLineAt(pos.x()))
        m_session.setActiveCursor(*line);
    m_dragging = true;
    m_chart.setFocus(Qt::MouseFocusReason);
    dragTo(pos);
    return true;
}

void ChartMarkup::dragTo(QPoint pos) {
    const chart::ChartScale& s = m_chart.scale();
    const int column = std::clamp(pos.x(), s.left, s.left + s.width);
    m_session.setCursorNear(m_session.activeCursor(), timeAt(column));
    refresh();
    emit cursorsChanged();
}

bool ChartMarkup::keyPressed(int key, Qt::KeyboardModifiers modifiers) {
    using Cursor = AnalysisSession::Cursor;
    const Cursor active = m_session.activeCursor();
    const int step = modifiers.testFlag(Qt::ShiftModifier) ? kCursorLongStep : 1;
    switch (key) {
    case Qt::Key_Left:
        m_session.stepCursor(active, -step);
        break;
    case Qt::Key_Right:
        m_session.stepCursor(active, step);
        break;
    case Qt::Key_Home:
        m_session.setCursor(active, 0);
        break;
    case Qt::Key_End:
        m_session.setCursor(active, static_cast<int>(m_session.series().points.size()) - 1);
        break;
    case Qt::Key_A:
        m_session.setActiveCursor(Cursor::A);
        break;
    case Qt::Key_B:
        m_session.setActiveCursor(Cursor::B);
        break;
    default:
        return false;
    }
    refresh();
    emit cursorsChanged();
    return true;
}

void ChartMarkup::drawBack(QPainter& p) const {
    const std::optional<Series>& reference = m_session.reference();
    if (!reference || reference->points.size() < 2)
        return;
    std::vector<QPoint> line;
    line.reserve(reference->points.size());
    for (const Point& point : reference->points)
        line.emplace_back(pixelAt(point.t), m_chart.ToPixelY(point.y));
    p.setPen(QPen(referenceColorOn(m_chart.Color()), 1));
    p.drawPolyline(line.data(), static_cast<int>(line.size()));
}

void ChartMarkup::drawFront(QPainter& p) const {
    using Cursor = AnalysisSession::Cursor;
    const chart::ChartScale& s = m_chart.scale();
    const std::optional<Point> a = m_session.cursorPoint(Cursor::A);
    const std::optional<Point> b = m_session.cursorPoint(Cursor::B);
    if (!a || !b)
        return;

    const auto& fit = m_session.fit();
    if (fit && *fit) {
        const int from = pixelAt(std::min(a->t, b->t));
        const int to = pixelAt(std::max(a->t, b->t));
        // A point every other column, at the row the value falls on (not
        // rounded: the curve is drawn smoothed).
        QPolygonF curve;
        curve.reserve((to - from) / kCurveStep + 2);
        for (int column = from;; column = std::min(column + kCurveStep, to)) {
            const double share = s.fractionY(fit->value->valueAt(timeAt(column)));
            const double row = s.top + s.height - s.height * share;
            curve << QPointF(column, std::clamp(row, -1e6, 1e6));
            if (column == to)
                break;
        }
        p.save();
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(fitPen(m_chart.Color(), m_chart.ColorLine()));
        p.drawPolyline(curve);
        p.restore();
    }

    QFont font = m_chart.font();
    font.setBold(true);
    p.setFont(font);
    const QFontMetrics metrics(font);
    const int tagWidth = metrics.horizontalAdvance(QLatin1Char('W')) + 6;
    const int columnA = pixelAt(a->t);
    const int columnB = pixelAt(b->t);
    for (Cursor which : {Cursor::A, Cursor::B}) {
        const bool isA = which == Cursor::A;
        const QColor color = isA ? kCursorAColor : kCursorBColor;
        const int column = isA ? columnA : columnB;
        p.fillRect(column - kCursorWidth / 2, s.top, kCursorWidth, s.height + 1, color);
        // The name above on the line, inside the plot; B's goes below A's
        // where they would cover each other.
        const int left = std::clamp(column - tagWidth / 2, s.left, s.left + s.width - tagWidth + 1);
        const bool below = !isA && std::abs(columnA - columnB) < tagWidth;
        const QRect tag(left, s.top + (below ? metrics.height() + 1 : 0), tagWidth,
                        metrics.height());
        const QString name = isA ? QStringLiteral("A") : QStringLiteral("B");
        p.fillRect(tag, color);
        if (which == m_session.activeCursor()) {
            p.setPen(QPen(Qt::black, 1));
            p.drawRect(tag.adjusted(0, 0, -1, -1));
        }
        p.setPen(Qt::black);
        p.drawText(tag, Qt::AlignCenter, name);
    }
    drawLegend(p, metrics.height() * (std::abs(columnA - columnB) < tagWidth ? 2 : 1) + 1);
}

std::vector<QPolygonF> ChartMarkup::drawnLines() const {
    std::vector<QPolygonF> lines;
    for (const Series* series :
         {&m_session.series(), m_session.reference() ? &*m_session.reference() : nullptr}) {
        if (series == nullptr)
            continue;
        QPolygonF line;
        line.reserve(static_cast<qsizetype>(series->points.size()));
        for (const Point& point : series->points)
            line << QPointF(pixelAt(point.t), m_chart.ToPixelY(point.y));
        lines.push_back(line);
    }
    const auto& fit = m_session.fit();
    const std::optional<Point> a = m_session.cursorPoint(AnalysisSession::Cursor::A);
    const std::optional<Point> b = m_session.cursorPoint(AnalysisSession::Cursor::B);
    if (fit && *fit && a && b) {
        const chart::ChartScale& s = m_chart.scale();
        QPolygonF curve;
        const int from = pixelAt(std::min(a->t, b->t));
        const int to = pixelAt(std::max(a->t, b->t));
        for (int column = from; column <= to; column += 4) {
            const double share = s.fractionY(fit->value->valueAt(timeAt(column)));
            curve << QPointF(column, std::clamp(s.top + s.height - s.height * share, -1e6, 1e6));
        }
        lines.push_back(curve);
    }
    return lines;
}

void ChartMarkup::drawLegend(QPainter& p, int topReserve) const {
    struct Entry {
        QString name;
        QPen pen;
    };
    std::vector<Entry> entries{{QStringLiteral("Messung"), QPen(m_chart.ColorLine(), 2)}};
    if (const auto& fit = m_session.fit(); fit && *fit)
        entries.push_back(
            {QStringLiteral("Ausgleichskurve"), fitPen(m_chart.Color(), m_chart.ColorLine())});
    if (m_session.reference())
        entries.push_back(
            {QStringLiteral("Vergleichskurve"), QPen(referenceColorOn(m_chart.Color()), 2)});
    if (entries.size() < 2)
        return; // the trace alone needs no legend

    const QFontMetrics metrics(m_chart.font());
    const int line = metrics.height();
    const int sample = 3 * metrics.averageCharWidth();
    int width = 0;
    for (const Entry& entry : entries)
        width = std::max(width, metrics.horizontalAdvance(entry.name));
    width += sample + 12;
    const int height = static_cast<int>(entries.size()) * line + 6;
    // In the corner of the plot where it covers no data (bottom right when
    // there is room), below the cursors' names.
    const QRect box =
        legendBox(plotRect(m_chart.scale()), QSize(width, height), drawnLines(), topReserve);
    p.save();
    p.setFont(m_chart.font());
    p.fillRect(box, m_chart.Color());
    p.setPen(QPen(m_chart.ColorText(), 1));
    p.drawRect(box.adjusted(0, 0, -1, -1));
    int y = box.top() + 3;
    for (const Entry& entry : entries) {
        p.setPen(entry.pen);
        p.drawLine(box.left() + 4, y + line / 2, box.left() + 4 + sample, y + line / 2);
        p.setPen(m_chart.ColorText());
        p.drawText(QRect(box.left() + sample + 8, y, width, line), Qt::AlignVCenter, entry.name);
        y += line;
    }
    p.restore();
}

} // namespace zentor::analysis
