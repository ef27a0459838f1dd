#include "amadvled.h"

#include "announcer.h"
#include "led_names.h"
#include "widget_access.h"

#include <QAccessible>
#include <QEvent>
#include <QMouseEvent>
#include <QPainter>

#include <climits>

// Resources of a static library are not registered by themselves.
static void initLedResources() {
    static const bool registered = [] {
        Q_INIT_RESOURCE(leds);
        return true;
    }();
    (void)registered;
}

namespace {

// Marker colours of the shape pictures.
constexpr QRgb kBodyMarker = qRgb(192, 192, 192);   // silver: the lamp body
constexpr QRgb kSurroundMarker = qRgb(128, 128, 0); // olive: the background
const QString kResourcePrefix = QStringLiteral(":/leds/");

// The picture with every pixel of colour `from` set to `to`.
QImage replaceColor(const QImage& picture, QRgb from, const QColor& to) {
    QImage out = picture;
    if (out.format() == QImage::Format_Indexed8) {
        QList<QRgb> table = out.colorTable();
        for (QRgb& entry : table) {
            if (qRgb(qRed(entry), qGreen(entry), qBlue(entry)) == from) {
                entry = to.rgba();
            }
        }
        out.setColorTable(table);
        return out;
    }
    out = out.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < out.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(out.scanLine(y));
        for (int x = 0; x < out.width(); ++x) {
            if ((line[x] | 0xFF000000u) == from) {
                line[x] = to.rgba();
            }
        }
    }
    return out;
}

} // namespace

QImage tintLedPicture(const QImage& shape, const QColor& lampColor, const QColor& background) {
    return replaceColor(replaceColor(shape, kBodyMarker, lampColor), kSurroundMarker, background);
}

TAMAdvLed::TAMAdvLed(QWidget* parent) : QWidget(parent) {
    initLedResources();
    zentor::access::installWidgetAccessibility();
    // Fixed size: a geometry from a window description or a layout cannot
    // make the lamp larger or smaller.
    setFixedSize(kSize, kSize);
    setAttribute(Qt::WA_OpaquePaintEvent);
    reloadPicture();
}

QImage TAMAdvLed::loadPicture(const QString& name) {
    initLedResources();
    QImage image(kResourcePrefix + name, "BMP");
    return image;
}

QImage TAMAdvLed::loadPicture(TLedType type, TBorder border, bool threeD) {
    return loadPicture(QString::fromStdString(led::pictureName(type, border, threeD)));
}

void TAMAdvLed::reloadPicture() {
    m_pictureName = QString::fromStdString(led::pictureName(m_ledType, m_borderStyle, m_ctl3D));
    m_shape = loadPicture(m_pictureName);
    repaint();
}

void TAMAdvLed::setLedOn(bool on) {
    if (on == m_ledOn) {
        return;
    }
    m_ledOn = on;
    // Wraps instead of overflowing after 2^31 changes.
    m_numSwitch = m_numSwitch == INT_MAX ? INT_MIN : m_numSwitch + 1;
    emit OnLedStateChanged(this, m_ledOn, m_numSwitch);
    repaint();
    QAccessible::State changed;
    changed.checked = true;
    QAccessibleStateChangeEvent event(this, changed);
    QAccessible::updateAccessibility(&event);
    // A named LED says its state with its name ("Port Bit 5: an"). Qt 6.4
    // sends the change without the new name, and Orca says nothing: the
    // LED with the focus is announced as well.
    if (!accessibleName().isEmpty()) {
        QAccessibleEvent renamed(this, QAccessible::NameChanged);
        QAccessible::updateAccessibility(&renamed);
        if (hasFocus())
            zentor::access::announce(
                *this, QAccessible::queryAccessibleInterface(this)->text(QAccessible::Name));
    }
}

void TAMAdvLed::setColor(int index, const QColor& color) {
    if (index == kColorOffIndex && color != m_colorOff) {
        m_colorOff = color;
    } else if (index == kColorOnIndex && color != m_colorOn) {
        m_colorOn = color;
    }
    repaint();
}

void TAMAdvLed::setLedType(TLedType type) {
    if (type == m_ledType) {
        return;
    }
    m_ledType = type;
    reloadPicture();
}

void TAMAdvLed::setBorderStyle(TBorder border) {
    if (border == m_borderStyle) {
        return;
    }
    m_borderStyle = border;
    // Only 3-D pictures have a relief.
    if (border != brDefault) {
        m_ctl3D = true;
    }
    reloadPicture();
}

void TAMAdvLed::setCtl3D(bool threeD) {
    if (threeD == m_ctl3D) {
        return;
    }
    m_ctl3D = threeD;
    // Flat pictures have no relief.
    if (!threeD) {
        m_borderStyle = brDefault;
    }
    reloadPicture();
}

void TAMAdvLed::paintEvent(QPaintEvent* /*event*/) {
    // Two steps, as the picture is kept: the work picture carries the lamp
    // colour, and the background goes in only when it is drawn.
    m_work = replaceColor(m_shape, kBodyMarker, m_ledOn ? m_colorOn : m_colorOff);
    QPainter p(this);
    const QColor background = palette().color(backgroundRole());
    if (m_work.isNull()) {
        p.fillRect(rect(), background);
        return;
    }
    p.drawImage(rect(), replaceColor(m_work, kSurroundMarker, background));
    if (hasFocus())
        zentor::access::drawFocusFrame(p, rect());
}

void TAMAdvLed::focusInEvent(QFocusEvent* event) {
    QWidget::focusInEvent(event);
    update();
}

void TAMAdvLed::focusOutEvent(QFocusEvent* event) {
    QWidget::focusOutEvent(event);
    update();
}

void TAMAdvLed::changeEvent(QEvent* event) {
    // The surroundings show the parent's colour, which reaches the lamp as a
    // palette change.
    if (event->type() == QEvent::PaletteChange) {
        update();
    }
    QWidget::changeEvent(event);
}

void TAMAdvLed::mousePressEvent(QMouseEvent* event) {
    m_click.press(*event);
    QWidget::mousePressEvent(event);
}

void TAMAdvLed::mouseReleaseEvent(QMouseEvent* event) {
    const bool click = m_click.release(*event, rect());
    QWidget::mouseReleaseEvent(event);
    if (click) {
        emit OnClick();
    }
}
