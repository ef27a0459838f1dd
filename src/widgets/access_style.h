// The program's style: the desktop's own, with a keyboard focus that can
// always be seen. Focus frames (list rows, check boxes, the scroll bar) are
// drawn as a black ring around a white one, which stands out on any
// background; the menu bar highlights its entry after Alt or F10 as it does
// while a menu is open. What a mouse user sees does not change: the frames
// appear only after the focus moved by keyboard.
#pragma once

#include <QProxyStyle>

namespace zentor {

class AccessStyle : public QProxyStyle {
    Q_OBJECT

public:
    // Wraps the application's default style.
    AccessStyle();

    void drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* painter,
                       const QWidget* widget = nullptr) const override;
    void drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
                     const QWidget* widget = nullptr) const override;
    void drawComplexControl(ComplexControl control, const QStyleOptionComplex* option,
                            QPainter* painter, const QWidget* widget = nullptr) const override;
};

} // namespace zentor
