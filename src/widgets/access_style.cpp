#include "access_style.h"

#include "widget_access.h"

#include <QPainter>
#include <QPen>
#include <QStyleOption>
#include <QWidget>

namespace zentor {

namespace {

bool focusFromKeyboard(const QStyleOption& option) {
    return option.state.testFlag(QStyle::State_HasFocus) &&
           option.state.testFlag(QStyle::State_KeyboardFocusChange);
}

} // namespace

AccessStyle::AccessStyle() : QProxyStyle(nullptr) {}

void AccessStyle::drawPrimitive(PrimitiveElement element, const QStyleOption* option,
                                QPainter* painter, const QWidget* widget) const {
    if (element == PE_FrameFocusRect && option->state.testFlag(State_KeyboardFocusChange)) {
        // The desktop style's frame often has the highlight's colour, which
        // vanishes on a selected row and on light blue lists.
        access::drawFocusFrame(*painter, option->rect);
        return;
    }
    QProxyStyle::drawPrimitive(element, option, painter, widget);
    if (element == PE_IndicatorCheckBox) {
        // On a dark desktop the empty box stands out from the window by
        // 1.45:1 only; a frame in the text colour gives it 3:1. Light
        // desktops keep the style's own box.
        const QColor window = option->palette.color(QPalette::Window);
        if (access::readableOn(window, Qt::black, access::kGraphicContrast) == Qt::black)
            return;
        painter->save();
        painter->setPen(QPen(access::readableOn(window, option->palette.color(QPalette::WindowText),
                                                access::kGraphicContrast),
                             1));
        painter->setBrush(Qt::NoBrush);
        painter->drawRect(QRectF(option->rect).adjusted(0.5, 0.5, -0.5, -0.5));
        painter->restore();
    }
}

void AccessStyle::drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
                              const QWidget* widget) const {
    if (element == CE_MenuBarItem && widget != nullptr && widget->hasFocus() &&
        option->state.testFlag(State_Selected)) {
        // After Alt or F10 the menu bar has the focus and an entry is
        // current; show it as if its menu were open.
        QStyleOptionMenuItem item;
        if (const auto* menuItem = qstyleoption_cast<const QStyleOptionMenuItem*>(option))
            item = *menuItem;
        item.state |= State_Sunken;
        QProxyStyle::drawControl(element, &item, painter, widget);
        return;
    }
    QProxyStyle::drawControl(element, option, painter, widget);
}

void AccessStyle::drawComplexControl(ComplexControl control, const QStyleOptionComplex* option,
                                     QPainter* painter, const QWidget* widget) const {
    QProxyStyle::drawComplexControl(control, option, painter, widget);
    // Scroll bars and sliders show no focus of their own in many styles.
    if ((control == CC_ScrollBar || control == CC_Slider) && focusFromKeyboard(*option))
        access::drawFocusFrame(*painter, option->rect);
}

} // namespace zentor
