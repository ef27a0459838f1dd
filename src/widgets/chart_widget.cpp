#include "chart_widget.h"

#include "widget_access.h"

#include <QAccessible>
#include <QEvent>
#include <QFontMetrics>
#include <QPaintEvent>
#include <QPainter>
#include <QPen>

#include <algorithm>
#include <climits>

namespace {

constexpr QSize kDefaultSize(300, 200);
// A full trace of the recorder has 1500 points; reserving them up front means
// the first paint does not grow the buffer either.
constexpr std::size_t kTraceReserve = 2048;

QRect lineBounds(QPoint a, QPoint b, int margin) {
    return QRect(a, b).normalized().adjusted(-margin, -margin, margin, margin);
}

} // namespace

ChartWidgetBase::ChartWidgetBase(QWidget* parent) : QWidget(parent) {
    zentor::access::installWidgetAccessibility();
    // The system's window colour: the background of a document or text
    // field (QPalette::Base), not the grey of dialogs and buttons.
    m_color = palette().color(QPalette::Base);
    // The chart font is Arial at the toolkit's default size; where Arial is
    // missing the sans-serif hint lets fontconfig pick the system sans font.
    QFont f(QStringLiteral("Arial"), 8);
    f.setStyleHint(QFont::SansSerif);
    setFont(f);
    // Every pixel comes from the picture: no background erase needed.
    setAttribute(Qt::WA_OpaquePaintEvent);
    resize(kDefaultSize);
    m_trace.reserve(kTraceReserve);
}

ChartWidgetBase::~ChartWidgetBase() = default;

QSize ChartWidgetBase::sizeHint() const {
    return kDefaultSize;
}

template <typename T> void ChartWidgetBase::assign(T& field, const T& value, Change what) {
    if (field == value) {
        return;
    }
    field = value;
    changed(what);
}

void ChartWidgetBase::setColor(const QColor& c) {
    assign(m_color, c, Change::Look);
}
void ChartWidgetBase::setColorGrid(const QColor& c) {
    assign(m_colorGrid, c, Change::Look);
}
void ChartWidgetBase::setColorText(const QColor& c) {
    assign(m_colorText, c, Change::Look);
}
void ChartWidgetBase::setColorPoint(const QColor& c) {
    assign(m_colorPoint, c, Change::Stored);
}
void ChartWidgetBase::setColorLine(const QColor& c) {
    assign(m_colorLine, c, Change::Stored);
}
void ChartWidgetBase::setSample(bool on) {
    assign(m_sample, on, Change::Look);
}
void ChartWidgetBase::setCaptionX(const QString& t) {
    assign(m_captionX, t, Change::Caption);
}
void ChartWidgetBase::setCaptionY(const QString& t) {
    assign(m_captionY, t, Change::Caption);
}
void ChartWidgetBase::setCaption(const QString& t) {
    assign(m_caption, t, Change::Caption);
}
void ChartWidgetBase::setXmin(double v) {
    assign(m_xmin, v, Change::Range);
}
void ChartWidgetBase::setXmax(double v) {
    assign(m_xmax, v, Change::Range);
}
void ChartWidgetBase::setXdiv(double v) {
    assign(m_xdiv, v, Change::Range);
}
void ChartWidgetBase::setYmin(double v) {
    assign(m_ymin, v, Change::Range);
}
void ChartWidgetBase::setYmax(double v) {
    assign(m_ymax, v, Change::Range);
}
void ChartWidgetBase::setYdiv(double v) {
    assign(m_ydiv, v, Change::Range);
}

void ChartWidgetBase::Invalidate() {
    m_dirty = true;
    update();
}

void ChartWidgetBase::Repaint() {
    if (m_painter != nullptr) {
        // Asked from inside OnPainted: the picture is being built right now.
        Invalidate();
        return;
    }
    rebuild();
    update();
}

void ChartWidgetBase::setBackLayer(Layer layer) {
    m_backLayer = std::move(layer);
    Invalidate();
}

void ChartWidgetBase::setFrontLayer(Layer layer) {
    m_frontLayer = std::move(layer);
    update();
}

QRect ChartWidgetBase::plotArea() const {
    return QRect(m_scale.left, m_scale.top, m_scale.width + 1, m_scale.height + 1);
}

bool ChartWidgetBase::pictureFits() const {
    return !m_picture.isNull() && m_picture.deviceIndependentSize().toSize() == size() &&
           m_picture.devicePixelRatio() == devicePixelRatioF();
}

void ChartWidgetBase::paintEvent(QPaintEvent* event) {
    if (m_dirty || !pictureFits()) {
        rebuild();
    }
    QPainter p(this);
    const QRect r = event->rect();
    const qreal dpr = m_picture.devicePixelRatio();
    p.drawPixmap(r, m_picture,
                 QRectF(r.x() * dpr, r.y() * dpr, r.width() * dpr, r.height() * dpr).toRect());
    if (m_frontLayer) {
        p.setClipRect(plotArea() & r);
        m_frontLayer(p);
    }
}

void ChartWidgetBase::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::FontChange) {
        Invalidate();
    }
}

void ChartWidgetBase::rebuild() {
    m_dirty = false;
    const int countBefore = valueCount();
    m_linePoints = 0;
    m_markers = 0;
    if (!pictureFits()) {
        const qreal dpr = devicePixelRatioF();
        m_picture = QPixmap((QSizeF(size()) * dpr).toSize().expandedTo(QSize(1, 1)));
        m_picture.setDevicePixelRatio(dpr);
    }

    const Borders b = borders();
    m_scale.left = b.left;
    m_scale.top = b.top;
    m_scale.width = width() - b.left - b.right;
    m_scale.height = height() - b.top - b.bottom;

    QPainter p(&m_picture);
    m_painter = &p;
    p.fillRect(rect(), m_color);
    p.setBrush(m_color);
    p.setFont(font());
    paintAxes(p);
    if (m_sample) {
        drawSample();
    }
    flushTrace();
    if (m_backLayer) {
        p.save();
        p.setClipRect(plotArea());
        m_backLayer(p);
        p.restore();
    }
    emit OnPainted(this);
    flushTrace();
    m_painter = nullptr;
    announceValueCount(countBefore);
}

void ChartWidgetBase::countLine(double x1, double y1, double x2, double y2) {
    m_linePoints += (m_linePoints > 0 && x1 == m_lastX && y1 == m_lastY) ? 1 : 2;
    m_lastX = x2;
    m_lastY = y2;
}

void ChartWidgetBase::announceValueCount(int before) {
    if (valueCount() != before && hasFocus())
        m_countSpeech.offer();
}

void ChartWidgetBase::tellValueCount() {
    if (!hasFocus())
        return; // the focus left while the count waited
    m_countTold = valueCount();
    QAccessibleValueChangeEvent event(this, m_countTold);
    QAccessible::updateAccessibility(&event);
}

void ChartWidgetBase::paintAxes(QPainter& p) {
    using namespace chart;
    if (!rangesValid(m_xmin, m_xmax, m_ymin, m_ymax, m_scale.axisMode)) {
        return; // background only; the mapping keeps the last good ranges
    }
    m_scale.xmin = m_xmin;
    m_scale.xmax = m_xmax;
    m_scale.ymin = m_ymin;
    m_scale.ymax = m_ymax;
    m_scale.xdiv = effectiveDivision(m_xmin, m_xmax, m_xdiv);
    m_scale.ydiv = effectiveDivision(m_ymin, m_ymax, m_ydiv);

    const QFontMetrics fm(font());
    const TextMetrics m{fm.horizontalAdvance(QLatin1Char('W')), fm.height()};
    const AxisLayout x =
        m_scale.logX() ? logXAxis(m_scale, m_captionX, m) : linearXAxis(m_scale, m_captionX, m);
    drawLayout(p, x);
    drawLayout(p, yAxis(m_scale, m));
}

chart::AxisLayout ChartWidgetBase::yAxis(const chart::ChartScale& s, chart::TextMetrics m) const {
    return s.logY() ? chart::logYAxis(s, m_captionY, m) : chart::linearYAxis(s, m_captionY, m);
}

void ChartWidgetBase::drawLayout(QPainter& p, const chart::AxisLayout& layout) {
    p.setPen(QPen(m_colorGrid, 1));
    p.drawLines(layout.grid.data(), static_cast<int>(layout.grid.size()));
    p.drawLines(layout.edges.data(), static_cast<int>(layout.edges.size()));
    p.setPen(m_colorText);
    for (const chart::TextItem& t : layout.labels) {
        drawText(p, t);
    }
    // A caption that reads upwards left of the labels keeps clear of them:
    // where the widest label reaches into it, it moves left, as far as the
    // widget leaves room.
    const QFontMetrics fm(p.font());
    int labelsLeft = INT_MAX;
    for (const chart::TextItem& t : layout.labels) {
        if (!t.vertical && t.h == chart::HAlign::Right && !t.text.trimmed().isEmpty())
            labelsLeft = std::min(labelsLeft, t.at.x() - fm.horizontalAdvance(t.text.trimmed()));
    }
    for (chart::TextItem t : layout.captions) {
        if (t.vertical && t.v == chart::VAlign::Bottom && labelsLeft != INT_MAX) {
            // Drawn turned, the text covers the columns from at.x - height to at.x - descent.
            constexpr int kGap = 2;
            const int clear = labelsLeft - kGap + fm.descent();
            if (t.at.x() > clear)
                t.at.setX(std::max(clear, fm.height()));
        }
        drawText(p, t);
    }
}

void ChartWidgetBase::drawText(QPainter& p, const chart::TextItem& item) {
    if (item.text.isEmpty()) {
        return;
    }
    const QFontMetrics fm(p.font());
    const int w = fm.horizontalAdvance(item.text);
    int x = 0;
    switch (item.h) {
    case chart::HAlign::Left:
        x = 0;
        break;
    case chart::HAlign::Center:
        x = -w / 2;
        break;
    case chart::HAlign::Right:
        x = -w;
        break;
    }
    int y = 0; // baseline
    switch (item.v) {
    case chart::VAlign::Top:
        y = fm.ascent();
        break;
    case chart::VAlign::Baseline:
        y = 0;
        break;
    case chart::VAlign::Bottom:
        y = -fm.descent();
        break;
    }
    if (!item.vertical) {
        p.drawText(item.at + QPoint(x, y), item.text);
        return;
    }
    // Rotated to read upwards; the alignment holds in the rotated frame.
    p.save();
    p.translate(item.at);
    p.rotate(-90);
    p.drawText(QPoint(x, y), item.text);
    p.restore();
}

void ChartWidgetBase::flushTrace() {
    if (m_trace.size() >= 2 && m_painter != nullptr) {
        m_painter->setPen(QPen(m_colorLine, 1));
        m_painter->drawPolyline(m_trace.data(), static_cast<int>(m_trace.size()));
    }
    m_trace.clear(); // keeps its capacity
}

void ChartWidgetBase::DrawLine(double x1, double y1, double x2, double y2) {
    const QPoint a(m_scale.toPixelX(x1), m_scale.toPixelY(y1));
    const QPoint b(m_scale.toPixelX(x2), m_scale.toPixelY(y2));
    if (m_painter != nullptr) {
        countLine(x1, y1, x2, y2);
        if (m_trace.empty() || m_trace.back() != a) {
            flushTrace();
            m_trace.push_back(a);
        }
        m_trace.push_back(b);
        return;
    }
    if (m_picture.isNull()) {
        return; // never painted: the first paint has the owner draw everything
    }
    const int countBefore = valueCount();
    countLine(x1, y1, x2, y2);
    announceValueCount(countBefore);
    QPainter p(&m_picture);
    p.setPen(QPen(m_colorLine, 1));
    p.drawLine(a, b);
    p.end();
    update(lineBounds(a, b, 1).intersected(rect()));
}

void ChartWidgetBase::DrawMarker(double x, double y) {
    const int px = m_scale.toPixelX(x);
    const int py = m_scale.toPixelY(y);
    if (m_painter != nullptr) {
        ++m_markers;
        flushTrace();
        drawMarkerAt(*m_painter, px, py);
        return;
    }
    if (m_picture.isNull()) {
        return;
    }
    const int countBefore = valueCount();
    ++m_markers;
    announceValueCount(countBefore);
    QPainter p(&m_picture);
    drawMarkerAt(p, px, py);
    p.end();
    const int s = markerSize() + 2;
    update(QRect(px - s, py - s, 2 * s + 1, 2 * s + 1).intersected(rect()));
}

void ChartWidgetBase::drawMarkerAt(QPainter& p, int px, int py) {
    const TMarkerOptions kinds = markerKinds();
    const int s = markerSize();
    p.setPen(QPen(m_colorPoint, 1));
    p.setBrush(m_color);
    const auto circle = [&] {
        if (kinds.contains(mtKreis)) {
            p.drawEllipse(QRect(px - s, py - s, 2 * s, 2 * s));
        }
    };
    if (circleFirst()) {
        circle();
    }
    for (int kind = mtKreuz; kind <= mtPlus; ++kind) {
        if (!kinds.contains(static_cast<TMarkerTypes>(kind))) {
            continue;
        }
        for (const QLine& l : chart::markerSegments(kind, px, py, s)) {
            if (l.p1() == l.p2()) {
                p.drawPoint(l.p1());
            } else {
                p.drawLine(l);
            }
        }
    }
    if (!circleFirst()) {
        circle();
    }
}
