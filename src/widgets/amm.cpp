#include "amm.h"

#include "amm_geometry.h"
#include "announcer.h"
#include "widget_access.h"

#include <QAccessible>
#include <QEvent>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPalette>

namespace {

// Light blue-grey of an inactive title bar; Qt has no palette role for it.
constexpr QColor kInactiveCaption(191, 205, 219);

// Draws text horizontally centred on anchor.x() with its top edge at
// anchor.y(), on an opaque background of the given colour.
void drawAnchoredText(QPainter& painter, QPoint anchor, const QString& text,
                      const QColor& background) {
    const QFontMetrics metrics(painter.font());
    const int width = metrics.horizontalAdvance(text);
    const QRect box(anchor.x() - width / 2, anchor.y(), width, metrics.height());
    painter.fillRect(box, background);
    painter.drawText(QPoint(box.left(), box.top() + metrics.ascent()), text);
}

} // namespace

TAnal::TAnal(QWidget* parent)
    : QWidget(parent), m_bkColor(palette().color(QPalette::Base)), m_bbColor(kInactiveCaption) {
    zentor::access::installWidgetAccessibility();
    resize(kDefaultWidth, kDefaultHeight);
    setFocusPolicy(Qt::TabFocus);
    m_spoken = valueText();
}

void TAnal::setValueText(ValueText text) {
    m_valueText = std::move(text);
    followReading(true);
}

QString TAnal::valueText() const {
    if (m_valueText)
        return m_valueText(*this);
    return QStringLiteral("%1 %2").arg(m_value).arg(m_caption);
}

QString TAnal::spokenReading() const {
    return m_spoken;
}

void TAnal::followReading(bool atOnce) {
    if (valueText() == m_spoken) {
        m_speech.cancel(); // the needle went back to what was said
        return;
    }
    m_speech.offer(atOnce);
}

void TAnal::tellReading() {
    const QString reading = valueText();
    if (reading == m_spoken)
        return;
    m_spoken = reading;
    QAccessibleEvent event(this, QAccessible::DescriptionChanged);
    QAccessible::updateAccessibility(&event);
    // Qt 6.4 sends the change without the new text, and Orca says nothing:
    // while the meter has the focus the reading is announced as well.
    if (hasFocus())
        zentor::access::announce(*this, reading);
}

void TAnal::setBKColor(const QColor& color) {
    if (color == m_bkColor) {
        return;
    }
    m_bkColor = color;
    dialChanged();
}

void TAnal::setBBColor(const QColor& color) {
    if (color == m_bbColor) {
        return;
    }
    m_bbColor = color;
    repaint();
}

void TAnal::setNeedleColor(const QColor& color) {
    if (color == m_needleColor) {
        return;
    }
    m_needleColor = color;
    repaint();
}

void TAnal::setValue(int value) {
    if (value == m_value) {
        return;
    }
    m_value = value;
    repaint();
    followReading(false);
}

void TAnal::setMax(int max) {
    // Max divides the needle angle; 1 and below would give a useless or
    // undefined scale.
    if (max == m_max || max <= 1) {
        return;
    }
    m_max = max;
    repaint();
}

void TAnal::setMinor(int minor) {
    if (minor == m_minor || minor < 0 || minor > kMaxMinor) {
        return;
    }
    m_minor = minor;
    dialChanged();
}

void TAnal::setScale(const QString& scale) {
    if (scale == m_scale || scale.size() <= 2) {
        return;
    }
    m_scale = scale;
    dialChanged();
}

void TAnal::setCaption(const QString& caption) {
    if (caption == m_caption) {
        return;
    }
    m_caption = caption;
    dialChanged();
    followReading(true); // the switch by Space is heard at once
}

void TAnal::dialChanged() {
    m_dial = QPixmap();
    repaint();
}

void TAnal::renderDial(qreal ratio) {
    m_dial = QPixmap(size() * ratio);
    m_dial.setDevicePixelRatio(ratio);
    m_dial.fill(Qt::transparent);

    const amm::DialLayout layout = amm::dialLayout(size(), m_scale, m_minor);
    QPainter p(&m_dial);
    p.setFont(font());
    p.fillRect(QRect(0, 0, width(), layout.frame.y1), m_bkColor);

    // Text and ticks keep their colours where they can be read on the dial,
    // as on the default desktop; otherwise black or white.
    const QColor textColor = zentor::access::readableOn(m_bkColor, palette().color(QPalette::Text));
    p.setPen(textColor);
    drawAnchoredText(p, layout.captionAnchor, m_caption, m_bkColor);

    // Tick by tick: the major tick, its label, then the minor ticks up to the
    // next label. A label's opaque box may cover its own tick, but the ticks
    // drawn after it (on a small meter or with long labels) stay on top.
    const QPen tickPen(
        zentor::access::readableOn(m_bkColor, Qt::black, zentor::access::kGraphicContrast), 0);
    const std::size_t intervals = layout.majorTicks.size() - 1;
    const std::size_t minorsPerInterval = intervals > 0 ? layout.minorTicks.size() / intervals : 0;
    for (std::size_t i = 0; i < layout.majorTicks.size(); ++i) {
        p.setPen(tickPen);
        p.drawLine(layout.majorTicks[i]);
        p.setPen(textColor);
        drawAnchoredText(p, layout.labels[i].anchor, layout.labels[i].text, m_bkColor);
        if (i == intervals) {
            break; // none after the last label
        }
        p.setPen(tickPen);
        for (std::size_t m = 0; m < minorsPerInterval; ++m) {
            p.drawLine(layout.minorTicks[i * minorsPerInterval + m]);
        }
    }
}

void TAnal::paintEvent(QPaintEvent* /*event*/) {
    const qreal ratio = devicePixelRatioF();
    if (m_dial.isNull() || m_dial.devicePixelRatio() != ratio || m_dial.size() != size() * ratio) {
        renderDial(ratio);
    }

    // The static dial comes from the cache; needle, band and value go on top
    // in that order, so the band hides the needle's lower part and the pivot.
    QPainter p(this);
    p.drawPixmap(0, 0, m_dial);

    const amm::MeterFrame frame = amm::meterFrame(size());
    // A dark desktop makes the dial dark: the needle stays visible on it.
    p.setPen(QPen(
        zentor::access::readableOn(m_bkColor, m_needleColor, zentor::access::kGraphicContrast), 0));
    p.drawLine(amm::needleLine(frame, m_value, m_max));

    p.fillRect(QRect(0, frame.y1, width(), height() - frame.y1), m_bbColor);
    p.setFont(font());
    p.setPen(zentor::access::readableOn(m_bbColor, palette().color(QPalette::Text)));
    drawAnchoredText(p, {frame.cx, frame.y1 + amm::kValueBelow}, QString::number(m_value),
                     m_bbColor);
    if (hasFocus())
        zentor::access::drawFocusFrame(p, rect());
}

void TAnal::resizeEvent(QResizeEvent* event) {
    m_dial = QPixmap();
    QWidget::resizeEvent(event);
}

void TAnal::changeEvent(QEvent* event) {
    switch (event->type()) {
    case QEvent::FontChange:
    case QEvent::PaletteChange:
    case QEvent::StyleChange:
        m_dial = QPixmap();
        update();
        break;
    default:
        break;
    }
    QWidget::changeEvent(event);
}

void TAnal::mousePressEvent(QMouseEvent* event) {
    m_click.press(*event);
    QWidget::mousePressEvent(event);
}

void TAnal::mouseReleaseEvent(QMouseEvent* event) {
    const bool click = m_click.release(*event, rect());
    QWidget::mouseReleaseEvent(event);
    if (click) {
        emit OnClick();
    }
}

void TAnal::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
    case Qt::Key_Space:
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (!event->isAutoRepeat())
            Click();
        event->accept();
        return;
    default:
        QWidget::keyPressEvent(event);
    }
}

void TAnal::focusInEvent(QFocusEvent* event) {
    QWidget::focusInEvent(event);
    update();
}

void TAnal::focusOutEvent(QFocusEvent* event) {
    QWidget::focusOutEvent(event);
    update();
}

void TAnal::mouseDoubleClickEvent(QMouseEvent* event) {
    // The first click of the pair has already been reported; the release
    // that follows is not a click of its own. (The base class treats the
    // event as a press, so the flag is cleared after it.)
    QWidget::mouseDoubleClickEvent(event);
    m_click.cancel();
    if (event->button() == Qt::LeftButton) {
        emit OnDblClick();
    }
}
